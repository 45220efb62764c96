// OpenGL with the entry points beyond 1.1 that the show uses, and GLU. On Linux GLEW
// loads them; on Windows, where Debian has no GLEW, a loader generated at build time
// from python3-glad does (gladLoadGL once a context is current).
#pragma once
#if defined(_WIN32)
#include <windows.h>  // GL/glu.h needs its calling-convention macros
// Empty 16-bit-era macros of windows.h; the show uses both words as names.
#undef near
#undef far

#include <glad/gl.h>
#else
#include <GL/glew.h>
#endif
#include <GL/glu.h>
