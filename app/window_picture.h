// Where the show's finished picture is drawn: straight into the window, or, for a run that
// reads its pictures back (a capture, a contact sheet, frame hashes) where a window's back
// buffer is not whole (platform::back_buffer_whole: Windows), into a framebuffer object of
// the window's size, whose pixels are all there wherever the window lies and whatever size
// it came out. Where the back buffer is whole the picture stays there: Mesa draws a
// framebuffer object bottom row first and a window top row first, and the passes'
// interpolation then rounds a level apart in a few pixels (3889 of the default show's
// 1280x720 contact sheet), so sheets and frame hashes would change for nothing.
#pragma once
#include <string>

#include "app/gl_window.h"

// Whether a run that reads its pictures back draws them off-screen on this system.
bool picturesReadOffscreen();
// Creates the window's off-screen picture (the window's context is current): a colour
// buffer of the window's width x height, 8 bits a channel without alpha and single-sample,
// with no depth or stencil, as the show's picture-only window has it, so that every pass
// draws the same pixels into it. False with a message when the driver cannot make it.
bool useOffscreenPicture(TGLWindow& window, std::string& error);
// Binds what the picture is drawn into (GL_FRAMEBUFFER): the off-screen picture, or the
// window's own framebuffer 0.
void bindPicture(const TGLWindow& window);
// Binds the picture for glReadPixels: the off-screen picture's colour, or the window's
// back buffer.
void bindPictureForReading(const TGLWindow& window);
// The size the picture is drawn at: the off-screen picture's (the window's width and
// height), or the window's drawable (larger than the window where full screen could not
// switch modes).
void pictureSize(const TGLWindow& window, int& width, int& height);
// Puts an off-screen picture into the window's back buffer, to be shown by the next swap:
// scaled with its shape kept, on black, where the drawable's size differs. Leaves the
// picture bound. Does nothing while the picture is the window itself.
void presentPicture(const TGLWindow& window);
