// Crusher: hold, smooth, quantise.
#include "effects/Crusher.h"

#include <cmath>

namespace frakle::effects {

void CrusherStart(CrusherState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.holdCounter = 0; // every event begins by taking a new value; held values carry over
}

StereoSample CrusherProcess(CrusherState &s, const EffectContext &c, StereoSample in,
                            const EffectParams &p) {
    s.holdLength = static_cast<int32_t>(std::floor(p.p1 * 64.0 * c.rateFactor));
    const int32_t levels = 128 - static_cast<int32_t>(std::floor(p.p2 * 126.0));
    const int32_t smooth =
        static_cast<int32_t>(std::floor(s.holdLength * static_cast<double>(p.p3)));

    float x[2] = {in.left, in.right};
    if (levels < 128) {
        for (float &v : x) {
            v = static_cast<float>(std::nearbyint(levels * static_cast<double>(v)) / levels +
                                   1e-24);
        }
    }

    float out[2];
    if (s.holdCounter == 0) {
        for (int ch = 0; ch < 2; ++ch) {
            s.previousHeld[ch] = s.held[ch];
            s.held[ch] = x[ch];
            out[ch] = smooth > 0 ? s.previousHeld[ch] : s.held[ch];
        }
    } else if (smooth < 1 || smooth < s.holdCounter) {
        out[0] = s.held[0];
        out[1] = s.held[1];
    } else {
        const float t = static_cast<float>(s.holdCounter) * static_cast<float>(1.0 / smooth);
        for (int ch = 0; ch < 2; ++ch) {
            out[ch] = blend(t, s.held[ch], s.previousHeld[ch]);
        }
    }

    if (p.mix < 1.0f) {
        out[0] = blend(p.mix, out[0], in.left);
        out[1] = blend(p.mix, out[1], in.right);
    }
    if (++s.holdCounter > s.holdLength) {
        s.holdCounter = 0;
    }
    return {out[0], out[1]};
}

void CrusherRun(CrusherState &s, EffectContext &c, const EffectParams &p, float *left, float *right,
                int32_t n) {
    RunEffect<CrusherProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
