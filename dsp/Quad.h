// Four 32-bit floats side by side, for the loops over runs of frames: one instruction serves four
// frames, each computed exactly as on its own. Any thread.
#pragma once

#include <cstring>

namespace frakle::dsp {

using Quad = float __attribute__((vector_size(16)));

inline Quad LoadQuad(const float *p) {
    Quad q;
    std::memcpy(&q, p, sizeof q);
    return q;
}

inline void StoreQuad(float *p, Quad q) { std::memcpy(p, &q, sizeof q); }

} // namespace frakle::dsp
