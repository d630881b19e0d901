// Reverser: loop points, the forward and backward cursor, and the glide after a jump.
#include "effects/Reverser.h"

#include <algorithm>
#include <cmath>

namespace frakle::effects {
namespace {

constexpr float kReverse1 = 0.33f;
constexpr float kReverse2 = 0.66f;

int32_t Floor(double x) { return static_cast<int32_t>(std::floor(x)); }

void LoopPoints(ReverserState &s, const EffectParams &p) {
    const int32_t length = s.regionLength;
    const int32_t shortest = Floor(length * 0.0125);
    s.start = std::max(0, Floor(length * static_cast<double>(p.p1)));
    s.end = Floor(length * static_cast<double>(p.p2));
    if (s.start + shortest > s.end) {
        s.end = s.start + shortest;
    }
    if (s.end > length) {
        s.end = length;
    }
}

} // namespace

void ReverserStart(ReverserState &s, const EffectContext &c, StereoSample /*in*/) {
    s.sampleCounter = 0;
    if (c.recompute != nullptr) {
        c.recompute->store(true);
    }
    s.regionLength = std::max(0, c.stepLength);
    s.base = c.patternPosition;
    s.cursor = 0;
    s.direction = 1;
    s.backwardStartPending = c.stepIndex != 0;
}

StereoSample ReverserProcess(ReverserState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p) {
    if (c.history.size < 1) {
        return in;
    }
    const bool reverseMode = p.p3 >= kReverse1;
    if (s.backwardStartPending) {
        s.backwardStartPending = false;
        if (p.p3 >= kReverse2) {
            s.base = std::max(0, s.base - s.regionLength);
            s.direction = -1;
        }
    }
    if (EffectParams now = p; s.sampleCounter == 0 && c.takeRecompute(now)) {
        LoopPoints(s, now);
    }

    const int32_t newest = std::max(0, std::min(c.patternPosition, c.history.size - 1));
    const auto idx = static_cast<int32_t>(
        std::clamp<int64_t>(static_cast<int64_t>(s.base) + s.cursor, 0, newest));
    const StereoSample x = c.history.at(idx);
    float wet[2] = {x.left, x.right};

    if (s.direction != 1) {
        const int32_t toEnd = s.end - s.cursor;
        if (reverseMode && toEnd <= c.declick) {
            const auto f =
                clamp01(static_cast<float>(toEnd * static_cast<double>(c.declickReciprocal)));
            wet[0] = blend(f, wet[0], s.lastOutput[0]);
            wet[1] = blend(f, wet[1], s.lastOutput[1]);
        }
        --s.cursor;
        if (s.start >= s.cursor || s.cursor < 1) {
            if (reverseMode) {
                s.cursor = s.end;
            } else {
                s.cursor = s.start;
                s.direction = 1;
            }
        }
    } else if (++s.cursor >= s.end || s.cursor >= s.regionLength) {
        s.cursor = s.end;
        s.direction = -1;
    }

    s.lastOutput[0] = wet[0];
    s.lastOutput[1] = wet[1];
    if (++s.sampleCounter > static_cast<int32_t>(std::nearbyint(128.0 * c.rateFactor))) {
        s.sampleCounter = 0;
    }

    if (p.mix < 1.0f) {
        wet[0] = blend(p.mix, wet[0], in.left);
        wet[1] = blend(p.mix, wet[1], in.right);
    }
    return {wet[0], wet[1]};
}

void ReverserRun(ReverserState &s, EffectContext &c, const EffectParams &p, float *left,
                 float *right, int32_t n) {
    RunEffect<ReverserProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
