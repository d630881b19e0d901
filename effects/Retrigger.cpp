// Retrigger: slice timing, per-slice envelope, and a read head that restarts at every slice.
#include "effects/Retrigger.h"

#include "effects/Interp4.h"

#include <algorithm>
#include <cmath>

namespace frakle::effects {

namespace {

// Growing slices stop here, far beyond any event, so positions never overflow.
constexpr double kLongestSlice = 1 << 30;

float FadeIn(const EffectContext &c, int32_t q) {
    // The first slice continues the live signal, so it never fades in.
    if (q <= c.declick && c.declick < c.stepPosition) {
        return clamp01(static_cast<float>(q * static_cast<double>(c.declickReciprocal)));
    }
    return 1.0f;
}

float FadeOut(const EffectContext &c, int32_t q, int64_t end) {
    if (q >= end - c.declick) {
        return clamp01(static_cast<float>(static_cast<double>(end - q) * c.declickReciprocal));
    }
    return 1.0f;
}

int32_t NextSliceLength(int32_t length, float change) {
    const double s = std::nearbyint(change * 200.0) / 200.0;
    double next = length;
    if (s >= 0.51) {
        next = std::floor((1.25 - (s - 0.01) * 0.5) * length);
    } else if (s <= 0.49) {
        next = std::floor((1.49 - s) * length);
    }
    return static_cast<int32_t>(std::clamp(next, 0.0, kLongestSlice));
}

float NextSpeed(float speed, float pitch) {
    if (pitch >= 0.51) {
        return static_cast<float>(std::min(speed + (pitch - 0.51) * 2.0 * 0.0001, 4.0));
    }
    if (pitch <= 0.49) {
        return static_cast<float>(std::max(speed - (0.99 - pitch) * 2.0 * 0.00001, 0.25));
    }
    return 1.0f;
}

StereoSample Read(RetriggerState &s, const History &h, int32_t newest) {
    // The pattern position can wrap under the head; it never reads past the newest sample.
    if (s.readIndex > newest) {
        s.readIndex = newest;
        s.readPosition = HeadPosition(newest);
    }
    const int64_t j = static_cast<int64_t>(s.sliceStart) + s.slicePosition;
    if (j < 3) {
        s.readPosition = HeadPosition(j);
        return h.at(static_cast<int32_t>(std::min<int64_t>(j, newest)));
    }
    if (s.readIndex < 3) {
        return h.at(s.readIndex); // too close to the history start for three older samples
    }
    return Interp4(h, s.readIndex, s.readPosition - static_cast<double>(s.readIndex));
}

} // namespace

void RetriggerStart(RetriggerState &s, const EffectContext &c, StereoSample /*in*/) {
    if (c.recompute != nullptr) {
        c.recompute->store(true, std::memory_order_relaxed);
    }
    s.speed = 1.0f;
    s.sliceStart = std::max(0, NewestIndex(c));
    s.slicePosition = 0;
}

StereoSample RetriggerProcess(RetriggerState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p) {
    if (EffectParams now = p; s.slicePosition == 0 && c.takeRecompute(now)) {
        const double slices = now.p1 * 30.0 + 2.0;
        s.sliceLength = static_cast<int32_t>(std::floor(c.samplesPerBeat / slices));
        s.readPosition = HeadPosition(s.sliceStart);
        s.readIndex = s.sliceStart;
    }

    const int32_t newest = NewestIndex(c);
    if (s.sliceLength <= 0 || newest < 0) {
        if (p.mix < 1.0f) {
            return {blend(p.mix, 0.0f, in.left), blend(p.mix, 0.0f, in.right)};
        }
        return {0.0f, 0.0f};
    }

    const double f = p.p2 >= 0.1 ? static_cast<double>(p.p2) : 0.1;
    const auto cut = static_cast<int64_t>(Floor(s.sliceLength * f));
    const int32_t q = s.slicePosition;

    StereoSample wet = Read(s, c.history, newest);
    if (cut >= s.sliceLength || cut >= q) {
        const int64_t end = cut >= s.sliceLength ? s.sliceLength : cut;
        const float in0 = FadeIn(c, q);
        const float out0 = FadeOut(c, q, end);
        wet = {wet.left * in0 * out0, wet.right * in0 * out0};
    } else {
        wet = {0.0f, 0.0f};
    }

    // Where the newest sample will be at the next read: a head held there plays the input
    // two samples late.
    const double limit = static_cast<double>(newest) + 1.0;
    s.readPosition = HeadPosition(std::min(s.readPosition + s.speed, limit));
    s.readIndex = static_cast<int32_t>(Floor(s.readPosition));

    if (++s.slicePosition > s.sliceLength) {
        s.slicePosition = 0;
        s.sliceLength = NextSliceLength(s.sliceLength, p.p3);
        s.readPosition = HeadPosition(s.sliceStart);
        s.readIndex = s.sliceStart;
    }
    s.speed = NextSpeed(s.speed, p.p4);

    if (p.mix < 1.0f) {
        wet = {blend(p.mix, wet.left, in.left), blend(p.mix, wet.right, in.right)};
    }
    return wet;
}

void RetriggerRun(RetriggerState &s, EffectContext &c, const EffectParams &p, float *left,
                  float *right, int32_t n) {
    RunEffect<RetriggerProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
