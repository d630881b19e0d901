// Four 32-bit floats side by side, for the loops over runs of frames: one instruction serves four
// frames, each computed exactly as on its own. Any thread.
#pragma once

#include <cstdint>
#include <cstring>

namespace frakle::dsp {

using Quad = float __attribute__((vector_size(16)));

inline Quad LoadQuad(const float *p) {
    Quad q;
    std::memcpy(&q, p, sizeof q);
    return q;
}

inline void StoreQuad(float *p, Quad q) { std::memcpy(p, &q, sizeof q); }

// n floats from src to dst (not overlapping), without a library call for the short runs.
inline void CopyFrames(const float *src, float *dst, int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        StoreQuad(dst + i, LoadQuad(src + i));
    }
    for (; i < n; ++i) {
        dst[i] = src[i];
    }
}

} // namespace frakle::dsp
