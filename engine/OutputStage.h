// The shaping stages every effect output and the master bus share: cross-fade, overdrive and
// the two clippers. Pure functions, audio thread.
#pragma once

#include "dsp/Approx.h"
#include "effects/EffectContext.h"

#include <cmath>

namespace frakle::engine {

using effects::blend;

// Waveshaper with slope 1 + k at 0, levelling off at ±(1 + k)/k; `gain` and `mix` are 0 … 1.
inline void Overdrive(float &left, float &right, float gain, float mix) {
    const auto a = static_cast<float>(0.998 * static_cast<double>(gain));
    const double k = 2.0 * a / (1.0 - a);
    const auto shape = [k](float x) {
        return static_cast<float>((1.0 + k) * x / (1.0 + k * std::fabs(static_cast<double>(x))));
    };
    const float yl = shape(left);
    const float yr = shape(right);
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
    if (x > 0.0f) {
        return static_cast<float>(td + (1.0 - td) * dsp::Tanh((x - td) / (1.0 - td)));
    }
    return static_cast<float>(-(td + (1.0 - td) * dsp::Tanh((-x - td) / (1.0 - td))));
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
