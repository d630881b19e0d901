// Interp4: the 4-point interpolator for fractional history reads (tape stop and retrigger).
#pragma once

#include "effects/EffectContext.h"

#include <algorithm>
#include <cstdint>

namespace frakle::effects {

// Where a read head stands in the history. Held as a 32-bit float as far as that resolves a
// quarter sample (below 2^22), as it always has been; beyond, where a float cannot hold half
// a sample and a slow head would stall, in full precision.
inline double HeadPosition(double x) {
    constexpr double kFloatResolves = 4194304.0; // 2^22
    return x < kFloatResolves ? static_cast<double>(static_cast<float>(x)) : x;
}

// The largest integer not above x, for |x| < 2^62, without a library call.
inline double Floor(double x) {
    const auto t = static_cast<double>(static_cast<int64_t>(x));
    return t > x ? t - 1.0 : t;
}

// h0 … h3 are the history at i, i − 1, i − 2, i − 3; the result is the signal at i − 2 + t:
// h2 at t = 0, h1 at t = 1.
inline float Interp4(float h0, float h1, float h2, float h3, double t) {
    t = t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0;
    const double a = h0;
    const double b = h1;
    const double c = h2;
    const double d = h3;
    const double e = 6.0 * (b - c) + 2.0 * (d - a);
    const double f = 15.0 * (c - b) + 5.0 * (a - d) + t * e;
    const double g = 9.0 * (b - c) + 3.0 * (d - a) + t * f;
    const double k = (b - 2.0 * c + d) + t * g;
    return static_cast<float>(c + 0.5 * t * ((b - d) + t * k));
}

// Both channels at history index i (3 … the newest sample) and fraction t, side by side: the
// same operations as the one-channel form, lane by lane.
inline StereoSample Interp4(const History &h, int32_t i, double t) {
    using Pair = double __attribute__((vector_size(16)));
    const auto at = [&h, i](int32_t back) {
        const auto k = static_cast<size_t>(i - back);
        return Pair{h.left[k], h.right[k]};
    };
    t = t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0;
    const Pair a = at(0);
    const Pair b = at(1);
    const Pair c = at(2);
    const Pair d = at(3);
    const Pair e = 6.0 * (b - c) + 2.0 * (d - a);
    const Pair f = 15.0 * (c - b) + 5.0 * (a - d) + t * e;
    const Pair g = 9.0 * (b - c) + 3.0 * (d - a) + t * f;
    const Pair k = (b - 2.0 * c + d) + t * g;
    const Pair y = c + 0.5 * t * ((b - d) + t * k);
    return {static_cast<float>(y[0]), static_cast<float>(y[1])};
}

// The newest history index an effect may read: the pattern position, kept inside the buffer
// (−1 for an empty history).
inline int32_t NewestIndex(const EffectContext &c) {
    if (c.history.size <= 0) {
        return -1;
    }
    return std::clamp(c.patternPosition, 0, c.history.size - 1);
}

} // namespace frakle::effects
