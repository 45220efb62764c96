// Reusable GL textures filled from image files (at load time) and from frame-archive
// entries (every frame of a video sequence): decoded with OpenCV, converted to RGB, width
// trimmed to a multiple of 4 by resampling, uploaded with linear filtering.
#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>

struct FrameArchive;

struct ImageTexture {
    GLuint id = 0;           // GL texture name, generated on the first upload and reused
    bool loaded = false;     // a picture has been uploaded
    float aspect = 1.0f;     // width / height of the uploaded picture
    int32_t width = 0;       // pixels, a multiple of 4
    int32_t height = 0;      // pixels
    bool generated = false;  // id holds a generated name
};

// Replaces the picture with the named archive entry. A missing entry, bytes that do not
// decode, or a picture narrower than 4 pixels leave the texture as it was. One-, two- and
// four-channel and 16-bit pictures are brought to 8-bit RGB first.
void loadTextureFromArchive(ImageTexture& texture, const FrameArchive& archive, const std::string& name);

// Replaces the picture with an image file, mirrored left-right and then top-bottom when
// asked (both: turned by 180 degrees). A missing or unreadable file changes nothing and
// prints nothing.
void loadTextureFromFile(ImageTexture& texture, const std::string& path, bool flipHorizontal, bool flipVertical);
