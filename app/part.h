// Parts: self-contained pieces of the production, each with its own clock, that the
// frame loop drives one at a time. Part_Loader is the empty part loaded first.
#pragma once
#include <cstdint>

struct AppState;
struct SceneInputs;

// The part clock past which the show is over and the process ends by itself.
constexpr float kShowEnd = 296.0f;

class Part {
public:
    virtual void render() = 0;
    virtual void update() = 0;
    virtual ~Part() = default;
    virtual void load() = 0;

    AppState* owner = nullptr;
    float clock = 0.0f;      // the part's own time, seconds; the music follows it
    float tempo = 120.0f;    // the time advance is scaled by tempo / 120
    int32_t index = 0;       // position in AppState::parts
    float syncOffset = 0.0f; // added to clock when comparing with the music
    SceneInputs* inputs = nullptr;
};

class Part_Loader : public Part {
public:
    void render() override {}
    void update() override {}
    void load() override {}
};
