// Gater: slice timing, the closing ramp and the slice-start fade.
#include "effects/Gater.h"

#include <algorithm>
#include <cmath>

namespace frakle::effects {

namespace {
// Beyond this the fade barely moves within the slice-start window (at most 2 × J samples); the
// cap keeps a huge jump from overflowing the length.
constexpr double kLongestFade = 1073741824.0;

// 0 … 1; NaN gives 0.
float unit(float v) { return v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f; }
} // namespace

void GaterStart(GaterState &s, const EffectContext & /*c*/, StereoSample in) {
    s.slicePosition = 0;
    s.gain = 0.0f;
    s.lastOutput[0] = in.left;
    s.lastOutput[1] = in.right;
}

StereoSample GaterProcess(GaterState &s, const EffectContext &c, StereoSample in,
                          const EffectParams &p) {
    const int32_t d = std::max(c.declick, 1);
    const int32_t pos = s.slicePosition;
    if (pos == 0) {
        const auto n = static_cast<int32_t>(std::floor(unit(p.p1) * 15.0)) + 1;
        s.sliceLength =
            n > 1 ? static_cast<int32_t>(std::ceil(c.samplesPerBeat / static_cast<double>(n)))
                  : c.samplesPerBeat;
        s.closedVolume = unit(p.p3);
        const double open = (0.95 * unit(p.p2) + 0.05) * s.sliceLength;
        s.openLength = std::max(static_cast<int32_t>(std::ceil(open)), d);
    }

    float out[2] = {in.left, in.right};
    if (pos >= s.openLength) {
        const float v = s.closedVolume;
        float g = v;
        if (pos <= s.openLength + d) {
            const auto rampStep = static_cast<float>((1.0 - v) / d);
            const double ramp = static_cast<double>(s.openLength + d - pos) * rampStep + v;
            g = static_cast<float>(std::clamp(ramp, 0.0, 1.0));
            s.gain = g;
        }
        out[0] *= g;
        out[1] *= g;
    }

    // The slice fades in from the level the last ramp left, over a time that grows with the jump.
    const int32_t m = std::min(s.openLength, 2 * c.jumpLimit);
    if (pos < m) {
        for (int ch = 0; ch < 2; ++ch) {
            if (pos == 0) {
                double len = std::floor(std::fabs(static_cast<double>(out[ch]) - s.lastOutput[ch]) *
                                        0.5 * m);
                len = len >= 1.0 ? std::min(len, kLongestFade) : 0.0;
                s.declickLength[ch] = static_cast<int32_t>(len);
                s.declickStep[ch] = len >= 1.0 ? static_cast<float>(1.0 / len) : 0.0f;
            }
            if (pos < s.declickLength[ch]) {
                const float t =
                    clamp01(static_cast<float>(pos * static_cast<double>(s.declickStep[ch])));
                out[ch] = blend(t, out[ch], out[ch] * s.gain);
            }
        }
    }
    s.lastOutput[0] = out[0];
    s.lastOutput[1] = out[1];

    if (++s.slicePosition > s.sliceLength) {
        s.slicePosition = 0;
    }
    if (p.mix < 1.0f) {
        return {blend(p.mix, out[0], in.left), blend(p.mix, out[1], in.right)};
    }
    return {out[0], out[1]};
}

void GaterRun(GaterState &s, EffectContext &c, const EffectParams &p, float *left, float *right,
              int32_t n) {
    RunEffect<GaterProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
