// Modulator: carrier update from the input, two phase-shifted sines, ring modulation.
#include "effects/Modulator.h"

#include "dsp/Approx.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace frakle::effects {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Far above any carrier a loud signal drives; it keeps the phase step finite.
constexpr double kMaxFrequency = 1.0e6;

void UpdateCarrier(ModulatorState &s, const EffectContext &c, StereoSample in,
                   const EffectParams &p) {
    const double sum = static_cast<double>(in.left) + static_cast<double>(in.right);
    s.inputMean = static_cast<float>(sum * 0.5);

    if (c.stepIndex == 0) {
        s.spread = p.p3;
    } else if (s.spread != p.p3) {
        const double glided = s.spread + (static_cast<double>(p.p3) - s.spread) / 20.0;
        s.spread = clamp01(static_cast<float>(glided));
    }

    const auto drive = static_cast<float>(sum * p.p4 + p.p1);
    double frequency = static_cast<double>(drive) * 5000.0;
    if (!(frequency >= 0.01)) {
        frequency = 0.01;
    }
    frequency = std::min(frequency, kMaxFrequency);
    s.frequency = static_cast<float>(frequency);
    s.phaseIncrement = static_cast<float>(static_cast<double>(s.frequency) / c.sampleRate * kTwoPi);
}

// Updates every N samples: from once per half step ("ModFMSpd" 0) to every sample (1).
double UpdateInterval(const EffectContext &c, const EffectParams &p) {
    const double half = c.samplesPerStepMod * 0.5;
    const double k = std::nearbyint((half - 1.0) * p.p2);
    return std::nearbyint((half - k) * c.rateFactor);
}

StereoSample Step(ModulatorState &s, const EffectContext &c, StereoSample in, const EffectParams &p,
                  double interval) {
    if (s.updateCounter == 0) {
        UpdateCarrier(s, c, in, p);
    }

    const double shift = kPi * s.spread;
    const auto sineL = static_cast<float>(dsp::Sin(s.phase - shift));
    const auto sineR = static_cast<float>(dsp::Sin(s.phase + shift));
    StereoSample out{blend(p.extra, 0.5f * sineL, in.left * sineL),
                     blend(p.extra, 0.5f * sineR, in.right * sineR)};
    if (p.mix < 1.0f) {
        out = {blend(p.mix, out.left, in.left), blend(p.mix, out.right, in.right)};
    }

    s.phase = static_cast<float>(static_cast<double>(s.phase) + s.phaseIncrement);
    if (s.phase > kTwoPi) {
        s.phase = static_cast<float>(s.phase - kTwoPi);
        if (s.phase > kTwoPi) {
            // A carrier above the sample rate steps more than a turn at once: wrap it whole, so
            // the phase never creeps upwards and loses its precision.
            s.phase = static_cast<float>(std::fmod(static_cast<double>(s.phase), kTwoPi));
        }
    }

    ++s.updateCounter;
    if (interval <= s.updateCounter) {
        s.updateCounter = 0;
    }
    return out;
}

} // namespace

void ModulatorStart(ModulatorState &s, const EffectContext &c, StereoSample in) {
    s.updateCounter = 0;
    s.inputMean = static_cast<float>((static_cast<double>(in.left) + in.right) * 0.5);
    if (c.globalSlot) {
        s.phase = static_cast<float>(kPi / 2.0);
    }
}

StereoSample ModulatorProcess(ModulatorState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p) {
    return Step(s, c, in, p, UpdateInterval(c, p));
}

// The update interval depends on the run's parameters only.
void ModulatorRun(ModulatorState &s, EffectContext &c, const EffectParams &p, float *left,
                  float *right, int32_t n) {
    const double interval = UpdateInterval(c, p);
    for (int32_t i = 0; i < n; ++i) {
        const StereoSample y = Step(s, c, {left[i], right[i]}, p, interval);
        left[i] = y.left;
        right[i] = y.right;
    }
}

} // namespace frakle::effects
