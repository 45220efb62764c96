// The production's cut, step by step. In the loops the offsets are computed in double
// from the single-precision u and stored as float; plain literals are floats; "draws"
// are calls of the runtime generator, whose exact sequence places the stutters.
#include "clips/timeline.h"

#include "platform/runtime_random.h"

namespace {

using platform::runtime_rand;

// Offsets of the loops: double arithmetic, stored as float.
float off(double v) { return static_cast<float>(v); }
// u = 0.3 j in single precision.
float third(int j) { return static_cast<float>(j * 6) / 20.0f; }

}  // namespace

void buildEdit(Timeline& t, EditBuildLog* log) {
    const auto step = [&](int k) {
        if (log) log->stepStart[k] = t.cursor;
    };
    const auto add = [&](float from, float to, float rate = 1.0f) {
        t.append(from, to, rate);
        if (log) ++log->segments;
    };
    platform::runtime_srand(42342);
    for (int i = 0; i < 10000; ++i) runtime_rand();
    t.cursor = 0.0f;
    t.tag = 0;

    // 2
    step(2);
    add(12, 13);
    add(1, 11.2f);
    add(10, 10.01f, 0.01f);
    add(0, 1.15f);
    add(136, 136.05f);
    add(12, 12.01f, 0.01f);
    add(180, 182.661f);
    // 3
    step(3);
    for (int i = 0; i <= 8; i += 2) {
        const int k = i / 2;
        add(off(111 + i), off(111.3 + i));
        add(off(184 + 0.5 * k), off(185 + 0.5 * k));
    }
    // 4
    step(4);
    add(110, 115);
    add(2, 0);
    add(12, 12.01f, 0.01f);
    add(180.5f, 180, 0.3305f);
    add(1, 0, 0.661f);
    add(10, 15.37f);
    // 5
    step(5);
    for (int j = 0; j < 16; ++j) {
        const double u = third(j);
        if (j == 6) {
            add(off(163 + u), off(163.1 + u), 0.2f);
        } else {
            add(off(163 + u), off(163.2 + u));
            const float w = off(2 + (0.1 * u - 1.695));
            add(w, off(w + 0.15), 0.5f);
        }
    }
    // 6
    step(6);
    for (int k = 0; k < 16; ++k) {
        const double u = third(k);
        if (k == 6) {
            add(off(224 + u), off(224.1 + u), 0.2f);
        } else {
            add(off(163 + u), off(163.2 + u));
            add(off(221 + u), off(221.3 + u));
        }
    }
    // 7
    step(7);
    for (int l = 0; l < 16; ++l) {
        const double u = third(l);
        add(off(100 + u), off(100.2 + u));
        add(off(40 + u), off(40.3 + u));
    }
    // 8
    step(8);
    for (int m = 0; m < 16; ++m) {
        const double u = third(m);
        add(off(460 + 0.3 * u), off(460.1 + 0.3 * u));
        add(off(104 + u), off(104.1 + u));
        add(off(44 + u), off(44.3 + u));
    }
    // 9
    step(9);
    for (int n = 0; n < 16; ++n) {
        const double u = third(n);
        add(off(281 + 0.3 * u), off(281.1 + 0.3 * u));
        add(off(104 + u), off(104.1 + u));
        add(off(30 + u), off(30.3 + u));
    }
    // 10
    step(10);
    add(70.2f, 77.2f);
    add(50, 60);
    // 11
    step(11);
    for (int a = 0; a < 48; ++a) {
        const double u = third(a);
        if (a % 4 == 0) {
            add(22, 22.1f, 0.2f);
            continue;
        }
        add(off(194 + 0.3 * u), off(194.05 + 0.3 * u));
        add(off(163 + u), off(163.15 + u));
        if (a % 4 == 1)
            add(139, 143, 13.333333f);
        else
            add(off(120 + 1.1 * u), off(120.15 + 1.1 * u), 0.5f);
    }
    // 12
    step(12);
    for (int b = 0; b <= 12; ++b) {
        const double u = third(b);
        if (b % 4 == 0) {
            add(22, 22.1f, 0.2f);
            continue;
        }
        add(off(281 + 0.3 * u), off(281.15 + 0.3 * u));
        add(10, 10.7f, 2);
        add(13, 14, 2);
    }
    // 13
    step(13);
    add(80, 81, 0.33f);
    // 14
    step(14);
    for (int c = 80; c <= 89; ++c) {
        if (c > 87) add(off(c + 201), off(c + 201.1));
        add(off(c), off(c + 0.9), 0.97f);
    }
    // 15
    step(15);
    platform::runtime_srand(42344);
    add(80, 81, 0.5f);
    add(280, 283.5f, 0.5f);
    add(90, 93.347f, 0.5f);
    add(500, 510.2f, 0.94f);
    // 16
    step(16);
    for (int d = 0; d < 4; ++d) {
        runtime_rand();
        add(off(380 + 0.3 * d), off(380.3 + 0.3 * d));
        runtime_rand();
        add(off(504 + d), off(505.7 + d));
    }
    // 17
    step(17);
    add(400, 410, 1.0161f);
    // 18
    step(18);
    for (int e = 0; e < 16; ++e) {
        add(off(5 + 0.1 * e), off(5.2 + 0.1 * e));
        add(off(380 + 0.3 * e), off(380.3 + 0.3 * e));
    }
    // 19
    step(19);
    add(380, 380.1f);
    // 20
    step(20);
    for (int f = 0; f < 16; ++f) {
        add(off(10 + 0.1 * f), off(10.2 + 0.1 * f));
        add(off(440 + 0.3 * f), off(440.3 + 0.3 * f));
    }
    // 21
    step(21);
    for (int g = 0; g < 16; ++g) {
        add(off(200 + 0.3 * g), off(200.2 + 0.3 * g));
        add(off(450 + 0.3 * g), off(450.3 + 0.3 * g));
    }
    // 22
    step(22);
    for (int h = 0; h < 16; ++h) {
        add(off(200 + 0.2 * h), off(200.2 + 0.2 * h));
        add(off(390 + 0.3 * h), off(390.3 + 0.3 * h));
    }
    // 23
    step(23);
    for (int i = 0; i < 24; ++i) {
        add(139, 143, 20);
        add(off(460 + 0.3 * i), off(460.3 + 0.3 * i));
    }
    // 24
    step(24);
    for (int j = 0; j < 8; ++j) {
        add(off(5 + 0.1 * j), off(5.2 + 0.1 * j));
        add(off(460 + 0.3 * j), off(460.3 + 0.3 * j));
    }
    // 25
    step(25);
    add(460, 465, 0.5f);
    add(400, 404, 0.5f);
    add(460, 461, 0.25f);
    add(400, 401, 0.25f);
    add(400, 400.5f, 0.125f);
    // 26: the stutter
    step(26);
    for (int s = 0; s < 30; ++s) {
        const int r1 = runtime_rand();
        add(off(306 + s), off(307 + s), off(0.71 + 0.6 * r1 / 32767));
        const int r2 = runtime_rand();
        const int r3 = runtime_rand();
        float r = off(306 + s - 5.0 * r2 / 32767);
        if (!(r > 300)) r = 300;
        if (log && s == 0) {
            log->firstStutter[0] = r1;
            log->firstStutter[1] = r2;
            log->firstStutter[2] = r3;
            log->firstStutterPosition = r;
        }
        for (int k = 0; k < r3 % 3 + 1; ++k) {
            add(r, off(r + 0.02), 0.6f);
            add(off(r + 0.15), off(r + 0.07), 0.5f);
        }
    }
}

void buildRemap(Timeline& t) {
    t.cursor = 0.0f;
    platform::runtime_srand(4234);
    for (int i = 0; i < 10000; ++i) runtime_rand();
    t.tag = 0;
    t.append(0, 200);
}

namespace {

void rebuild(Timeline& t, TimelineCache& cache, void (*build)(Timeline&)) {
    if (cache.built && cache.speed == t.speed) {
        platform::set_runtime_random_state(cache.randomStateAfter);
        return;
    }
    build(t);
    cache.built = true;
    cache.speed = t.speed;
    cache.randomStateAfter = platform::runtime_random_state();
}

}  // namespace

void rebuildEdit(Timeline& edit, TimelineCache& cache) {
    rebuild(edit, cache, [](Timeline& t) { buildEdit(t); });
}
void rebuildRemap(Timeline& remap, TimelineCache& cache) { rebuild(remap, cache, buildRemap); }
