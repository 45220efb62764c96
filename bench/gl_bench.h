// The start of a benchmark that draws: a hidden window with a compatibility context like
// the show's, then the benchmarks. Needs a display: run under xvfb-run.
#pragma once
#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>

// depth: whether the window has a depth buffer. Returns main's exit status.
inline int runGlBenchmarks(int argc, char** argv, int width, int height, bool depth) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    if (!depth) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    }
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !SDL_GL_CreateContext(window)) {
        std::fprintf(stderr, "no OpenGL context (run under xvfb-run): %s\n", SDL_GetError());
        return 1;
    }
    glewExperimental = GL_TRUE;
    glewInit();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
