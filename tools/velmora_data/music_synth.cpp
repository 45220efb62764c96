// The synthesiser that plays the score: every note is a voice rendered straight into
// stereo buses (dry, delay send, reverb send), which are then mixed, gently saturated
// and normalised. Plain float arithmetic in a fixed order: the same score gives the same
// samples on every run.
#include <algorithm>
#include <cmath>

#include "tools/velmora_data/music_score.h"
#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

constexpr float kPi = 3.14159265f;
constexpr double kBar = 4 * kBeat;

struct Bus {
    std::vector<float> l, r;
    explicit Bus(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
};

struct Chord {
    int root;  // MIDI note of the root, octave 3
    bool minor;
};
// Four-bar progressions: A minor, D minor, A minor to G, F major to C.
const Chord kProgressions[4][4] = {
    {{57, true}, {53, false}, {48, false}, {55, false}},
    {{50, true}, {46, false}, {53, false}, {48, false}},
    {{57, true}, {52, true}, {53, false}, {55, false}},
    {{53, false}, {57, true}, {50, true}, {48, false}},
};

float hz(float midi) { return 440.0f * std::pow(2.0f, (midi - 69.0f) / 12.0f); }

int chordTone(const Chord& c, int index) {
    // Root, third, fifth, seventh, repeating an octave higher.
    static const int minorSteps[4] = {0, 3, 7, 10}, majorSteps[4] = {0, 4, 7, 11};
    const int octave = index / 4, step = ((index % 4) + 4) % 4;
    return c.root + 12 * octave + (c.minor ? minorSteps[step] : majorSteps[step]);
}

// A band-limited sawtooth (PolyBLEP) so the upper notes do not alias.
struct Saw {
    float phase = 0, step = 0;
    Saw(float frequency, float startPhase) : phase(startPhase), step(frequency / kMusicRate) {}
    float next() {
        float v = 2.0f * phase - 1.0f;
        if (phase < step) {
            const float t = phase / step;
            v -= t + t - t * t - 1.0f;
        } else if (phase > 1.0f - step) {
            const float t = (phase - 1.0f) / step;
            v -= t * t + t + t + 1.0f;
        }
        phase += step;
        if (phase >= 1.0f) phase -= 1.0f;
        return v;
    }
};

struct OnePole {
    float a, z = 0;
    explicit OnePole(float cutoff) : a(1.0f - std::exp(-2.0f * kPi * cutoff / kMusicRate)) {}
    float operator()(float x) { return z += a * (x - z); }
};

// Exponential decay by a constant factor per sample (exp() per sample is too slow).
struct Decay {
    float value = 1.0f, factor;
    explicit Decay(float perSecond) : factor(std::exp(-perSecond / kMusicRate)) {}
    float next() {
        const float v = value;
        value *= factor;
        return v;
    }
};

// Deterministic white noise from the sample index and a seed.
float noise(uint32_t seed, size_t i) { return unitFromHash(hash32(seed, static_cast<uint32_t>(i))) * 2.0f - 1.0f; }

size_t sampleAt(double seconds) { return static_cast<size_t>(std::max(0.0, seconds) * kMusicRate + 0.5); }

// Adds a voice: render(k) gives sample k of the voice (mono), panned into the bus.
template <class Render>
void addVoice(Bus& bus, double start, double seconds, float pan, float gain, Render render) {
    const size_t first = sampleAt(start);
    const size_t count = static_cast<size_t>(seconds * kMusicRate);
    const float left = gain * std::sqrt(0.5f * (1.0f - pan)), right = gain * std::sqrt(0.5f * (1.0f + pan));
    for (size_t k = 0; k < count && first + k < bus.l.size(); ++k) {
        const float v = render(k);
        bus.l[first + k] += v * left;
        bus.r[first + k] += v * right;
    }
}

// Attack-release envelope for a held note of `hold` seconds.
float envelope(size_t k, float attack, float hold, float release) {
    const float t = static_cast<float>(k) / kMusicRate;
    if (t < attack) return t / attack;
    if (t < hold) return 1.0f;
    return std::max(0.0f, 1.0f - (t - hold) / release);
}

void pad(Bus& dry, Bus& verb, const Chord& c, double start, float level, float bright) {
    const float hold = static_cast<float>(kBar), release = 0.9f;
    for (int v = 0; v < 3; ++v) {
        const int note = chordTone(c, v) + 12;
        for (int d = -1; d <= 1; d += 2) {
            Saw saw(hz(note + d * 0.08f), 0.3f * (v + 1) + 0.2f * d);
            OnePole f1(350.0f + 2200.0f * bright), f2(350.0f + 2200.0f * bright);
            auto voice = [&](size_t k) { return f2(f1(saw.next())) * envelope(k, 0.45f, hold, release); };
            const float pan = 0.45f * d * (v == 1 ? -1.0f : 1.0f);
            // The same voice feeds the dry and the reverb bus; render once and split.
            std::vector<float> tmp;
            tmp.reserve(static_cast<size_t>((hold + release) * kMusicRate));
            for (size_t k = 0; k < static_cast<size_t>((hold + release) * kMusicRate); ++k) tmp.push_back(voice(k));
            addVoice(dry, start, hold + release, pan, level * 0.07f, [&](size_t k) { return tmp[k]; });
            addVoice(verb, start, hold + release, pan, level * 0.05f, [&](size_t k) { return tmp[k]; });
        }
    }
}

void drone(Bus& dry, const Chord& c, double start, double seconds, float level, uint32_t seed) {
    const float f = hz(static_cast<float>(c.root - 24));
    OnePole wind(500.0f);
    float phase = 0, slow = 0;
    addVoice(dry, start, seconds + 0.5, 0.0f, level * 0.16f, [&](size_t k) {
        const float t = static_cast<float>(k) / kMusicRate;
        const float fade = std::min(1.0f, t / 1.5f) * std::max(0.0f, std::min(1.0f, static_cast<float>(seconds + 0.5 - t) / 0.5f));
        phase += f / kMusicRate;
        phase -= std::floor(phase);
        slow += 0.25f / kMusicRate;
        slow -= std::floor(slow);
        const float sn = std::sin(2 * kPi * phase), cs = std::cos(2 * kPi * phase);
        const float swell = std::sin(2 * kPi * slow);
        const float tone = sn + 0.3f * 2 * sn * cs;
        const float air = wind(noise(seed, k)) * (0.6f + 0.4f * swell);
        return (tone * (0.8f + 0.2f * swell) + air * 1.5f) * fade;
    });
}

void kick(Bus& dry, double t, float level) {
    float phase = 0;
    Decay pitch(38.0f), amp(9.0f);
    addVoice(dry, t, 0.4, 0.0f, level * 0.8f, [&](size_t) {
        phase += (48.0f + 95.0f * pitch.next()) / kMusicRate;
        phase -= std::floor(phase);
        return std::sin(2 * kPi * phase) * amp.next();
    });
}

void snare(Bus& dry, Bus& verb, double t, float level, uint32_t seed) {
    OnePole low(5000.0f), high(900.0f);
    Decay body(16.0f), ring(30.0f);
    std::vector<float> tmp(static_cast<size_t>(0.25 * kMusicRate));
    for (size_t k = 0; k < tmp.size(); ++k) {
        const float s = static_cast<float>(k) / kMusicRate;
        const float n = noise(seed, k);
        const float band = low(n) - high(n);
        tmp[k] = band * 1.6f * body.next() + 0.5f * std::sin(2 * kPi * 190.0f * s) * ring.next();
    }
    addVoice(dry, t, 0.25, 0.05f, level * 0.45f, [&](size_t k) { return tmp[k]; });
    addVoice(verb, t, 0.25, 0.05f, level * 0.25f, [&](size_t k) { return tmp[k]; });
}

void hat(Bus& dry, double t, bool open, float level, float pan, uint32_t seed) {
    OnePole low(7000.0f);
    Decay decay(open ? 9.0f : 60.0f);
    addVoice(dry, t, open ? 0.35 : 0.08, pan, level * (open ? 0.14f : 0.18f), [&](size_t k) {
        const float n = noise(seed, k);
        return (n - low(n)) * decay.next();
    });
}

void crash(Bus& dry, Bus& verb, double t, float level, uint32_t seed) {
    OnePole low(6000.0f);
    Decay decay(2.2f);
    std::vector<float> tmp(static_cast<size_t>(2.0 * kMusicRate));
    for (size_t k = 0; k < tmp.size(); ++k) {
        const float n = noise(seed, k);
        tmp[k] = (n - low(n)) * decay.next();
    }
    addVoice(dry, t, 2.0, -0.2f, level * 0.2f, [&](size_t k) { return tmp[k]; });
    addVoice(verb, t, 2.0, 0.2f, level * 0.15f, [&](size_t k) { return tmp[k]; });
}

void bassNote(Bus& dry, int note, double t, float seconds, float level, float bright) {
    Saw saw(hz(static_cast<float>(note)), 0.0f);
    OnePole f1(180.0f + 700.0f * bright), f2(180.0f + 700.0f * bright);
    float sub = 0;
    const float subStep = hz(static_cast<float>(note)) / kMusicRate;
    Decay punch(8.0f);
    addVoice(dry, t, seconds + 0.03, 0.0f, level * 0.3f, [&](size_t k) {
        sub += subStep;
        sub -= std::floor(sub);
        const float env = envelope(k, 0.004f, seconds, 0.03f) * (0.7f + 0.3f * punch.next());
        return (f2(f1(saw.next())) * 0.8f + 0.6f * std::sin(2 * kPi * sub)) * env;
    });
}

void pluck(Bus& dry, Bus& echo, int note, double t, float level, float bright, float pan) {
    Saw a(hz(static_cast<float>(note)), 0.0f), b(hz(static_cast<float>(note)), 0.35f);  // their difference is a pulse
    OnePole f(900.0f + 3500.0f * bright);
    Decay decay(14.0f);
    std::vector<float> tmp(static_cast<size_t>(0.22 * kMusicRate));
    for (size_t k = 0; k < tmp.size(); ++k) tmp[k] = f(a.next() - b.next()) * decay.next();
    addVoice(dry, t, 0.22, pan, level * 0.09f, [&](size_t k) { return tmp[k]; });
    addVoice(echo, t, 0.22, -pan, level * 0.06f, [&](size_t k) { return tmp[k]; });
}

void leadNote(Bus& dry, Bus& verb, int note, double t, float seconds, float level) {
    const float f = hz(static_cast<float>(note));
    float phase = 0;
    std::vector<float> tmp(static_cast<size_t>((seconds + 0.25f) * kMusicRate));
    for (size_t k = 0; k < tmp.size(); ++k) {
        const float s = static_cast<float>(k) / kMusicRate;
        const float vibrato = 1.0f + 0.004f * std::sin(2 * kPi * 5.0f * s) * std::min(1.0f, s * 3);
        phase += f * vibrato / kMusicRate;
        phase -= std::floor(phase);
        // Fundamental with a second and third harmonic, from one sine and cosine.
        const float sn = std::sin(2 * kPi * phase), cs = std::cos(2 * kPi * phase);
        const float tone = sn + 0.25f * (2 * sn * cs) + 0.1f * sn * (3 - 4 * sn * sn);
        tmp[k] = tone * envelope(k, 0.02f, seconds, 0.25f);
    }
    addVoice(dry, t, seconds + 0.25f, 0.1f, level * 0.12f, [&](size_t k) { return tmp[k]; });
    addVoice(verb, t, seconds + 0.25f, -0.1f, level * 0.1f, [&](size_t k) { return tmp[k]; });
}

void riser(Bus& dry, double start, double seconds, float level, uint32_t seed) {
    float z = 0;
    addVoice(dry, start, seconds, 0.0f, level * 0.22f, [&](size_t k) {
        const float u = static_cast<float>(k) / static_cast<float>(seconds * kMusicRate);
        const float a = 1.0f - std::exp(-2.0f * kPi * (200.0f + 6000.0f * u * u) / kMusicRate);
        z += a * (noise(seed, k) - z);
        return z * u * u;
    });
}

// One section of the score into the buses.
void playSection(Bus& dry, Bus& echo, Bus& verb, const MusicSection& section, int index) {
    const SectionStyle& st = section.style;
    const Chord* progression = kProgressions[st.chords % 4];
    const uint32_t seed = 1000u + static_cast<uint32_t>(index) * 7919u;
    Rng rng(seed);
    const double length = section.end - section.start;
    // Bars count from the section's start, so every section opens on its first chord.
    for (int bar = 0; bar * kBar < length; ++bar) {
        const double t0 = section.start + bar * kBar;
        const Chord& chord = progression[bar % 4];
        if (st.pad > 0) pad(dry, verb, chord, t0, st.pad, st.bright);
        for (int step = 0; step < 16; ++step) {  // sixteenth notes
            const double t = t0 + step * kBeat / 4;
            if (t >= section.end) break;
            const int beat = step / 4, sub = step % 4;
            const uint32_t hit = seed + static_cast<uint32_t>(bar * 16 + step);
            if (st.kick == 2 && sub == 0) kick(dry, t, 0.9f);
            if (st.kick == 1 && (step == 0 || step == 10)) kick(dry, t, 0.9f);
            if (st.snare > 0 && sub == 0 && (beat == 1 || beat == 3)) snare(dry, verb, t, st.snare, hit);
            if (st.hats > 0 && sub == 2) hat(dry, t, true, st.hats, 0.3f, hit);
            if (st.hats > 0 && sub == 0) hat(dry, t, false, st.hats * 0.7f, -0.3f, hit);
            if (st.hats > 0 && (sub == 1 || sub == 3) && (hit % 3 != 0)) hat(dry, t, false, st.hats * 0.35f, 0.5f, hit);
            if (st.bass > 0 && sub % 2 == 0) {
                const int note = chordTone(chord, (step == 6 || step == 14) ? 2 : 0) - 24 + ((step == 10) ? 12 : 0);
                bassNote(dry, note, t, static_cast<float>(kBeat / 2 * 0.8), st.bass, st.bright);
            }
            if (st.arp > 0) {
                static const int pattern[8] = {0, 1, 2, 4, 2, 1, 3, 2};
                pluck(dry, echo, chordTone(chord, pattern[step % 8]) + 12, t, st.arp, st.bright, step % 2 ? 0.4f : -0.4f);
            }
        }
        if (st.lead > 0) {
            // A phrase of chord tones on eighths with rests, one per bar.
            for (int e = 0; e < 8; ++e) {
                const float r = rng.uniform();
                const int tone = static_cast<int>(rng.uniform() * 5);
                const double t = t0 + e * kBeat / 2;
                if (t >= section.end || r < 0.35f) continue;
                const float seconds = static_cast<float>(kBeat / 2) * (r > 0.85f ? 3.0f : 0.9f);
                leadNote(dry, verb, chordTone(chord, tone) + 24, t, seconds, st.lead);
            }
        }
    }
    if (st.drone > 0) drone(dry, progression[0], section.start, length, st.drone, seed);
    if (st.riser) riser(dry, std::max(section.start, section.end - 4.0), std::min(4.0, length), 1.0f, seed + 1);
    if (index > 0 && (st.kick > 0 || length < 0.5)) crash(dry, verb, section.start, 1.0f, seed + 2);
}

// A stereo delay of three sixteenths that feeds back into the other side.
void pingPong(Bus& echo) {
    const size_t d = sampleAt(3 * kBeat / 4);
    for (size_t i = d; i < echo.l.size(); ++i) {
        echo.l[i] += 0.38f * echo.r[i - d];
        echo.r[i] += 0.38f * echo.l[i - d];
    }
}

// A small Schroeder reverb: four parallel combs and two allpasses per side, the right
// side's delays a little longer for width.
void reverb(Bus& verb) {
    auto process = [](std::vector<float>& x, int spread) {
        static const int combs[4] = {1557, 1617, 1491, 1422}, passes[2] = {556, 441};
        const float scale = kMusicRate / 44100.0f;
        std::vector<float> out(x.size(), 0.0f);
        for (int c = 0; c < 4; ++c) {
            const size_t d = static_cast<size_t>((combs[c] + spread) * scale);
            std::vector<float> line(d, 0.0f);
            float damp = 0;
            for (size_t i = 0; i < x.size(); ++i) {
                const float y = line[i % d];
                damp = y * 0.6f + damp * 0.4f;
                line[i % d] = x[i] + damp * 0.82f;
                out[i] += y;
            }
        }
        for (int p = 0; p < 2; ++p) {
            const size_t d = static_cast<size_t>((passes[p] + spread) * scale);
            std::vector<float> line(d, 0.0f);
            for (size_t i = 0; i < out.size(); ++i) {
                const float b = line[i % d];
                const float y = -out[i] + b;
                line[i % d] = out[i] + b * 0.5f;
                out[i] = y;
            }
        }
        x.swap(out);
    };
    process(verb.l, 0);
    process(verb.r, 23);
}

}  // namespace

std::vector<float> synthesiseMusic(const std::vector<MusicSection>& sections) {
    const size_t n = sampleAt(kMusicSeconds);
    Bus dry(n), echo(n), verb(n);
    for (size_t i = 0; i < sections.size(); ++i) playSection(dry, echo, verb, sections[i], static_cast<int>(i));
    pingPong(echo);
    reverb(verb);
    std::vector<float> out(2 * n);
    float peak = 1e-9f;
    for (size_t i = 0; i < n; ++i) {
        out[2 * i] = dry.l[i] + echo.l[i] + verb.l[i] * 0.25f;
        out[2 * i + 1] = dry.r[i] + echo.r[i] + verb.r[i] * 0.25f;
        peak = std::max({peak, std::fabs(out[2 * i]), std::fabs(out[2 * i + 1])});
    }
    // Gentle saturation relative to the peak, then the peak set to -3 dBFS; a short fade
    // in and a four-second fade out (the show stops at 296 s).
    const float drive = 1.6f, target = 0.70795f;  // 10^(-3/20)
    const float norm = target / std::tanh(drive);
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kMusicRate;
        const float fade = static_cast<float>(std::min(1.0, t / 0.02) * std::min(1.0, std::max(0.0, (kMusicSeconds - t) / 4.0)));
        for (int c = 0; c < 2; ++c) out[2 * i + c] = std::tanh(out[2 * i + c] / peak * drive) * norm * fade;
    }
    return out;
}

}  // namespace vdata
