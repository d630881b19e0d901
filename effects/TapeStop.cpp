// Tape stop: a variable-speed read head over the slot's history.
#include "effects/TapeStop.h"

#include "effects/Interp4.h"

#include <cmath>
#include <limits>

namespace frakle::effects {

namespace {

void MoveHead(TapeStopState &s, double speed, int32_t limit) {
    const double position = s.readPosition + speed;
    s.readPosition = HeadPosition(position < limit ? position : limit);
    s.readIndex = static_cast<int32_t>(Floor(s.readPosition));
}

} // namespace

void TapeStopStart(TapeStopState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.sampleCounter = 0;
    s.phase = 0;
}

StereoSample TapeStopProcess(TapeStopState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p) {
    const int32_t newest = NewestIndex(c);
    if (s.sampleCounter == 0) {
        s.speed = 1.0f;
        s.delayFraction = p.p2;
        s.readPosition = HeadPosition(newest);
        s.readIndex = newest;
    }

    const double speed = s.speed;
    const double rateScale = 44100.0 / c.sampleRate;
    const double slowRate = rateScale * (0.0004 * p.p1) + 0.0000025;
    const double speedUpRate = rateScale * (0.0004 * p.p3);
    const auto delaySamples =
        static_cast<int64_t>(Floor(c.stepLength * static_cast<double>(s.delayFraction)));
    const float level = speed <= 0.2 ? static_cast<float>(speed * 5.0) : 1.0f;

    // The pattern position can wrap under the head; it never reads past the newest sample.
    if (s.readIndex > newest) {
        s.readIndex = newest;
        s.readPosition = HeadPosition(newest);
    }
    // Where the newest sample will be at the next read: a head held there plays the input
    // two samples late.
    const int32_t limit = newest + 1;

    StereoSample wet = in;
    if (s.readIndex < 3) {
        s.readIndex = limit;
        s.readPosition = HeadPosition(limit);
    } else {
        wet = Interp4(c.history, s.readIndex, s.readPosition - static_cast<double>(s.readIndex));
        wet.left *= level;
        wet.right *= level;
    }

    if (s.phase == 0 && newest >= 3) {
        if (s.sampleCounter > delaySamples) {
            MoveHead(s, speed, limit);
            s.speed = static_cast<float>(speed - slowRate);
            if (s.speed < 0.0f) {
                s.phase = 1;
                s.speed = 0.0f;
            }
        } else {
            s.readIndex = limit;
            s.readPosition = HeadPosition(limit);
        }
    } else if (s.phase == 1) {
        MoveHead(s, speed, limit);
        s.speed = static_cast<float>(speed + speedUpRate);
        if (s.readIndex >= static_cast<int64_t>(newest) - c.declick) {
            const double g = static_cast<double>(newest - s.readIndex) * c.declickReciprocal;
            const float t = clamp01(static_cast<float>(g));
            wet = {blend(t, wet.left, in.left), blend(t, wet.right, in.right)};
        }
    }

    if (s.sampleCounter < std::numeric_limits<int32_t>::max()) {
        ++s.sampleCounter;
    }
    return wet;
}

void TapeStopRun(TapeStopState &s, EffectContext &c, const EffectParams &p, float *left,
                 float *right, int32_t n) {
    RunEffect<TapeStopProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
