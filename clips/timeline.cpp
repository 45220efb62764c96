// Timeline storage, segments and lookups.
#include "clips/timeline.h"

#include <cmath>
#include <cstdlib>

Timeline::Timeline()
    : values(new float[kEntries]), tags(new int32_t[static_cast<size_t>(seconds) * 1000]) {
    for (int i = 0; i < kEntries; ++i) values[i] = static_cast<float>(i / 1000.0);
    for (int i = 0; i < seconds * 1000; ++i) tags[i] = 0;
}

void Timeline::add_segment(float start, float end, float from, float to) {
    const int last = seconds * 1000;
    const int s = static_cast<int>(start * 1000.0f);
    const int e = static_cast<int>(end * 1000.0f);
    // Dividing by the millisecond count plus one keeps the last value just short of `to`;
    // the half millisecond makes a later truncation of value * 1000 land on this entry.
    const float n = static_cast<float>(std::abs(e - s + 1));
    const float d = to - from;
    const int lo = s < e ? s : e, hi = s < e ? e : s;
    for (int i = lo; i < hi; ++i) {
        if (i < 0 || i >= last) continue;  // segments never reach past 1000 s
        const float v = static_cast<float>(i - lo) / n * d + from;
        values[i] = static_cast<float>(v + 0.0005);
        tags[i] = tag;
    }
}

void Timeline::append(float from, float to, float rate) {
    const float length = std::fabs(to - from) / (speed * rate);
    add_segment(cursor, cursor + length, from, to);
    cursor = cursor + length;
}

int Timeline::index_of(float t) const {
    const float ms = t * 1000.0f;
    const int last = seconds * 1000 - 1;
    if (!(ms > 0.0f)) return 0;  // negative, and NaN
    if (ms >= static_cast<float>(last)) return last;
    return static_cast<int>(ms);
}
