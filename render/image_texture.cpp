// Image textures. Pictures reach GL as RGBA8 with opaque alpha: the texels a shader or the
// fixed pipeline (in its modulate mode) sees are the same as from an RGB texture, and on
// llvmpipe the 4-byte upload is several times faster, which matters on the per-frame
// archive road. Same-size pictures replace the pixels of the existing storage.
#include "render/image_texture.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/file_read.h"
#include "platform/picture_decode.h"
#include "render/frame_archive.h"
#include "render/picture_problems.h"

namespace {

// A still image's file: 8192 x 8192 pixels even without compression is 192 MB.
constexpr uint64_t kMaxStillBytes = 256ull << 20;

// Mirrors the picture left to right and/or top to bottom, in place.
void flipPicture(platform::RgbaPicture& picture, bool horizontal, bool vertical) {
    const size_t w = static_cast<size_t>(picture.width), h = static_cast<size_t>(picture.height);
    uint32_t* texels = reinterpret_cast<uint32_t*>(picture.pixels.get());  // new[] is aligned for any type
    if (horizontal)
        for (size_t y = 0; y < h; ++y) std::reverse(texels + y * w, texels + (y + 1) * w);
    if (vertical)
        for (size_t top = 0, bottom = h ? h - 1 : 0; top < bottom; ++top, --bottom)
            std::swap_ranges(texels + top * w, texels + (top + 1) * w, texels + bottom * w);
}

void setSampling(GLuint id) {
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void upload(ImageTexture& texture, const platform::RgbaPicture& picture) {
    // Same storage while the size stays: re-specifying would make the driver allocate anew.
    const bool inPlace = texture.loaded && texture.generated && texture.width == picture.width &&
                         texture.height == picture.height;
    texture.loaded = true;
    texture.width = picture.width;
    texture.height = picture.height;
    texture.aspect = static_cast<float>(texture.width) / static_cast<float>(texture.height);
    if (!texture.generated) {
        glGenTextures(1, &texture.id);
        texture.generated = true;
    }
    setSampling(texture.id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // The picture's first row is texture row 0.
    if (inPlace)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, picture.width, picture.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        picture.pixels.get());
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, picture.width, picture.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     picture.pixels.get());
}

PictureProblem problemOf(EntryRead result) {
    switch (result) {
    case EntryRead::NoDataFile: return PictureProblem::DataFileUnreadable;
    case EntryRead::OutsideDataFile: return PictureProblem::OutsideDataFile;
    default: return PictureProblem::ReadFailed;
    }
}

}  // namespace

bool decodeArchiveEntry(const FrameArchive& archive, const std::string& name, platform::RgbaPicture& picture,
                        PictureProblems* problems) {
    thread_local std::vector<unsigned char> bytes;  // kept: a frame's bytes every frame
    std::string why;
    const EntryRead result = readEntryChecked(archive, name, bytes, problems ? &why : nullptr);
    if (result == EntryRead::NotInIndex) return false;  // normal past a sequence's end
    if (result != EntryRead::Read) {
        if (problems) problems->report(problemOf(result), name, why);
        return false;
    }
    // An empty entry holds no picture: reported with the undecodable ones ("no bytes").
    const platform::DecodeStatus status = platform::decode_picture(bytes.data(), bytes.size(), picture, why);
    if (problems && status != platform::DecodeStatus::Decoded)
        problems->report(status == platform::DecodeStatus::Failed ? PictureProblem::Undecodable : PictureProblem::DecoderWarning,
                         name, why);
    return status != platform::DecodeStatus::Failed;
}

void showPicture(ImageTexture& texture, const platform::RgbaPicture& picture, const std::string& name) {
    upload(texture, picture);
    texture.source = name;
}

void resetSampling(const ImageTexture& texture) {
    if (texture.generated) setSampling(texture.id);
}

void loadTextureFromArchive(ImageTexture& texture, const FrameArchive& archive, const std::string& name,
                            PictureProblems* problems) {
    if (texture.loaded && texture.source == name) return resetSampling(texture);
    thread_local platform::RgbaPicture picture;  // kept: the per-frame road allocates nothing
    if (decodeArchiveEntry(archive, name, picture, problems)) showPicture(texture, picture, name);
}

void loadTextureFromFile(ImageTexture& texture, const std::string& path, bool flipHorizontal, bool flipVertical) {
    // A missing still image is meant to pass without a word; anything else under its name
    // that is not a file is said, and never read (a pipe would hold the show for good).
    std::vector<unsigned char> bytes;
    std::string why;
    const platform::FileRead read = platform::read_regular_file(path, bytes, kMaxStillBytes, why);
    if (read != platform::FileRead::Read) {
        if (read != platform::FileRead::Missing)
            printf("loadTextureFromFile() : %s: %s; the picture is not shown\n", path.c_str(), why.c_str());
        return;
    }
    if (bytes.empty()) return;
    platform::RgbaPicture rgba;
    if (!platform::decode_still_picture(bytes.data(), bytes.size(), rgba)) return;
    flipPicture(rgba, flipHorizontal, flipVertical);
    upload(texture, rgba);
    texture.source.clear();
}
