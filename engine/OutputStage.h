// The shaping stages every effect output and the master bus share: cross-fade, overdrive and
// the two clippers. Pure functions, audio thread.
#pragma once

#include "dsp/Approx.h"
#include "effects/EffectContext.h"

#include <cmath>

namespace frakle::engine {

using effects::blend;

// Waveshaper with slope 1 + k at 0, levelling off at ±(1 + k)/k; `gain` and `mix` are 0 … 1.
// Both channels as one two-lane double vector, each computed exactly as on its own.
inline void Overdrive(float &left, float &right, float gain, float mix) {
    using Pair = double __attribute__((vector_size(16)));
    const auto a = static_cast<float>(0.998 * static_cast<double>(gain));
    const double k = 2.0 * a / (1.0 - a);
    const Pair x = {left, right};
    const Pair magnitude = x < 0.0 ? -x : x;
    const Pair y = (1.0 + k) * x / (1.0 + k * magnitude);
    const auto yl = static_cast<float>(y[0]);
    const auto yr = static_cast<float>(y[1]);
    if (mix < 1.0f) {
        left = blend(mix, yl, left);
        right = blend(mix, yr, right);
    } else {
        left = yl;
        right = yr;
    }
}

inline float SoftSaturate(float x, float t) {
    if (std::fabs(x) < t) {
        return x;
    }
    const double td = t;
    const auto tanh = [](double v) { return dsp::TanhQuad(dsp::Quad{static_cast<float>(v)})[0]; };
    if (x > 0.0f) {
        return static_cast<float>(td + (1.0 - td) * tanh((x - td) / (1.0 - td)));
    }
    return static_cast<float>(-(td + (1.0 - td) * tanh((-x - td) / (1.0 - td))));
}

inline float HardClip(float x, float limit) {
    if (x > limit) {
        return limit;
    }
    if (-limit > x) {
        return -limit;
    }
    return x;
}

} // namespace frakle::engine
