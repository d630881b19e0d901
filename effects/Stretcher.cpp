// Stretcher: grain sizes, grain reads and the cross-fade into the next grain.
#include "effects/Stretcher.h"

#include <algorithm>
#include <cmath>

namespace frakle::effects {

void StretcherStart(StretcherState &s, const EffectContext &c, StereoSample /*in*/) {
    s.grainCounter = 0;
    if (c.recompute != nullptr) {
        c.recompute->store(true);
    }
    s.grainPosition = 0;
    s.mode = 1;
    s.grainStart = c.patternPosition;
}

StereoSample StretcherProcess(StretcherState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p) {
    if (c.history.size < 1) {
        return in;
    }
    if (EffectParams now = p; s.grainCounter == 0 && c.takeRecompute(now)) {
        const auto divisor = static_cast<int32_t>(std::nearbyint(now.p1 * 62.0)) + 2;
        s.grainLength = std::clamp(
            static_cast<int32_t>(std::floor(c.samplesPerBeat / static_cast<double>(divisor))), 0,
            std::max(0, c.sequenceLength));
        const float slowdown = 1.0f + 8.0f * now.p2;
        s.hop = static_cast<int32_t>(std::floor(s.grainLength / static_cast<double>(slowdown)));
    }
    const int32_t length = s.grainLength;
    const int32_t fade = static_cast<int32_t>(std::floor(length * 0.95 * p.p3)) + 1;

    const int64_t newest = std::max(0, std::min(c.patternPosition, c.history.size - 1));
    const int64_t current = static_cast<int64_t>(s.grainStart) + s.grainPosition;
    const StereoSample x =
        c.history.at(static_cast<int32_t>(std::clamp<int64_t>(current, 0, newest)));
    float wet[2] = {x.left, x.right};

    // The next grain is entered `fade` samples before its own start.
    if (s.grainPosition >= length - fade) {
        const int32_t k = s.grainPosition - (length - fade);
        const float f = clamp01(static_cast<float>(k * (1.0 / fade)));
        const int64_t next = current + s.hop - length;
        if (next >= 0 && next <= newest) {
            const StereoSample y = c.history.at(static_cast<int32_t>(next));
            wet[0] = blend(f, y.left, wet[0]);
            wet[1] = blend(f, y.right, wet[1]);
        }
    }

    if (++s.grainPosition > length && s.mode == 1) {
        s.grainPosition = 0;
        s.grainStart += s.hop;
        if (c.sequenceLength - length <= s.grainStart) {
            s.grainStart = 0;
        }
    }

    if (p.mix < 1.0f) {
        wet[0] = blend(p.mix, wet[0], in.left);
        wet[1] = blend(p.mix, wet[1], in.right);
    }
    if (++s.grainCounter > length) {
        s.grainCounter = 0;
    }
    return {wet[0], wet[1]};
}

void StretcherRun(StretcherState &s, EffectContext &c, const EffectParams &p, float *left,
                  float *right, int32_t n) {
    RunEffect<StretcherProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
