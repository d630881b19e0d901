// Shuffler: block decisions, block-aligned reads from the history, and the jump de-click.
#include "effects/Shuffler.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace frakle::effects {
namespace {

// Block size in sequencer steps for k = 0 … 40. Within each octave up to 1/8 the steps are 1,
// 1.25, 1.5 and 1.75 times the power of two, except k = 3: 1.65/128, as this 32-bit float.
constexpr float kBlockFactor[41] = {
    0.0078125f, 0.009765625f, 0.01171875f, std::bit_cast<float>(0x3C533333U),
    0.015625f,  0.01953125f,  0.0234375f,  0.02734375f,
    0.03125f,   0.0390625f,   0.046875f,   0.0546875f,
    0.0625f,    0.078125f,    0.09375f,    0.109375f,
    0.125f,     0.25f,        0.25f,       0.25f,
    0.25f,      0.5f,         0.5f,        0.5f,
    0.5f,       1.0f,         1.0f,        1.0f,
    1.0f,       2.0f,         2.0f,        2.0f,
    2.0f,       4.0f,         4.0f,        4.0f,
    4.0f,       6.0f,         6.0f,        8.0f,
    8.0f};

int32_t Floor(double x) { return static_cast<int32_t>(std::floor(x)); }

int32_t Clamp(double x, int32_t lo, int32_t hi) {
    return x <= lo ? lo : (x >= hi ? hi : static_cast<int32_t>(x));
}

// Indices from 0 to the newest sample, which always lies inside the history.
int32_t HistoryIndex(int64_t i, const EffectContext &c) {
    const int32_t newest = std::max(0, std::min(c.patternPosition, c.history.size - 1));
    return static_cast<int32_t>(std::clamp<int64_t>(i, 0, newest));
}

void NextBlock(ShufflerState &s, const EffectContext &c, const EffectParams &p) {
    const int32_t maxRepeats = Floor(p.extra * 32.0);
    if (maxRepeats < s.repeatsLeft) {
        s.repeatsLeft = maxRepeats;
    }
    if (s.repeatsLeft >= 1 && s.shuffleActive) {
        --s.repeatsLeft;
        return;
    }

    if (std::floor(p.p4 * 100.0) == 0.0) {
        s.shuffleActive = false;
    } else {
        const int32_t oneIn = 20 - Floor(p.p4 * 20.0);
        s.shuffleActive = c.random->next(static_cast<uint32_t>(std::max(0, oneIn))) == 0;
    }
    const float hi = p.p1 > p.p2 ? p.p1 : p.p2;
    const int32_t k = c.random->range(Floor(p.p1 * 40.0), Floor(hi * 40.0));
    const float factor = k >= 0 && k <= 40 ? kBlockFactor[k] : 1.0f;
    s.repeatsLeft = c.random->range(0, Floor((32.0 - k * 0.5) * p.extra));

    const double product = c.samplesPerBeat / 4.0 * factor;
    const auto cell = static_cast<float>(product);
    s.blockLength = Floor(product);
    const int32_t newest = HistoryIndex(c.patternPosition, c);
    s.blockSource = newest;
    if (s.shuffleActive && cell > 0.0f) {
        constexpr int32_t kMaxCell = 1 << 30;
        const double back = 8.0 * c.samplesPerBeat * static_cast<double>(p.p3);
        const int32_t lo = Clamp(std::floor((newest - back) / cell), 0, kMaxCell);
        const int32_t top = Clamp(std::floor(newest / static_cast<double>(cell)) + 1, 0, kMaxCell);
        const int32_t j = c.random->range(lo, top);
        s.blockSource = Clamp(std::floor(j * static_cast<double>(cell)), 0, newest);
    }
}

// Samples of fade for a jump, saturating far beyond any block length.
int32_t FadeLength(float from, float to, int32_t m) {
    const double n = std::floor(std::abs(static_cast<double>(to) - from) * 0.5 * m);
    return n >= 1.0 ? Clamp(n, 1, 1 << 30) : 0;
}

} // namespace

void ShufflerStart(ShufflerState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.blockPosition = 0; // every event begins with a new block decision
}

StereoSample ShufflerProcess(ShufflerState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p) {
    if (c.history.size < 1) {
        return in;
    }
    const int32_t b = s.blockPosition;
    if (b == 0) {
        NextBlock(s, c, p);
    }
    const int32_t idx = HistoryIndex(static_cast<int64_t>(s.blockSource) + b, c);
    const StereoSample x = c.history.at(idx);
    float wet[2] = {x.left, x.right};

    const int32_t m = std::min(s.blockLength, c.jumpLimit);
    if (b < m) {
        if (b == 0) {
            for (int ch = 0; ch < 2; ++ch) {
                s.declickLength[ch] = FadeLength(s.lastOutput[ch], wet[ch], m);
                s.declickStep[ch] = s.declickLength[ch] >= 1
                                        ? 1.0f / static_cast<float>(s.declickLength[ch])
                                        : 0.0f;
            }
        }
        // The end of the previous block, played backwards while the new one fades in.
        const StereoSample o =
            c.history.at(HistoryIndex(static_cast<int64_t>(s.lastReadIndex) - b, c));
        const float old[2] = {o.left, o.right};
        for (int ch = 0; ch < 2; ++ch) {
            if (b < s.declickLength[ch]) {
                const float t = clamp01(static_cast<float>(b) * s.declickStep[ch]);
                wet[ch] = blend(t, wet[ch], old[ch]);
            }
        }
    }
    s.lastOutput[0] = wet[0];
    s.lastOutput[1] = wet[1];

    if (b + 1 >= s.blockLength) {
        s.lastReadIndex = idx;
        s.blockPosition = 0;
    } else {
        s.blockPosition = b + 1;
    }

    if (p.mix < 1.0f) {
        wet[0] = blend(p.mix, wet[0], in.left);
        wet[1] = blend(p.mix, wet[1], in.right);
    }
    return {wet[0], wet[1]};
}

void ShufflerRun(ShufflerState &s, EffectContext &c, const EffectParams &p, float *left,
                 float *right, int32_t n) {
    RunEffect<ShufflerProcess>(s, c, p, left, right, n);
}

} // namespace frakle::effects
