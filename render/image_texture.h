// Reusable GL textures filled from image files (at load time) and from frame-archive
// entries (every frame of a video sequence), as RGBA8 with opaque alpha, the width trimmed
// to a multiple of 4 by resampling, with linear filtering.
#pragma once
#include "platform/gl.h"

#include <cstdint>
#include <string>

struct FrameArchive;
namespace platform {
struct RgbaPicture;
}
class PictureProblems;

struct ImageTexture {
    GLuint id = 0;           // GL texture name, generated on the first upload and reused
    bool loaded = false;     // a picture has been uploaded
    float aspect = 1.0f;     // width / height of the uploaded picture
    int32_t width = 0;       // pixels, a multiple of 4
    int32_t height = 0;      // pixels
    bool generated = false;  // id holds a generated name
    std::string source;      // the archive entry it shows; empty for a picture from a file
};

// Replaces the picture with the named archive entry. A slot asked for the entry it already
// shows is left as it is (nothing is read, decoded or uploaded); a missing entry, bytes that
// do not decode, or a picture narrower than 4 pixels leave the texture as it was. Damage
// is reported to problems when given.
void loadTextureFromArchive(ImageTexture& texture, const FrameArchive& archive, const std::string& name,
                            PictureProblems* problems = nullptr);

// Replaces the picture with an image file, mirrored left-right and then top-bottom when
// asked (both: turned by 180 degrees). A missing or unreadable file changes nothing and
// prints nothing.
void loadTextureFromFile(ImageTexture& texture, const std::string& path, bool flipHorizontal, bool flipVertical);

// Reads and decodes the named entry into picture. False when there is no picture: no such
// entry, an empty one, or damage, which is reported to problems when given. Safe on
// several threads at once, each with its own archive.
bool decodeArchiveEntry(const FrameArchive& archive, const std::string& name, platform::RgbaPicture& picture,
                        PictureProblems* problems);

// Puts a decoded picture into the texture as the named entry's: new storage only when the
// size changes, otherwise the pixels are replaced in place.
void showPicture(ImageTexture& texture, const platform::RgbaPicture& picture, const std::string& name);
// Sets the sampling an upload sets (linear, clamped), as a re-upload of the same picture
// would: a scene may have changed the wrap since.
void resetSampling(const ImageTexture& texture);
