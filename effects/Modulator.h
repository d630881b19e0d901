// Modulator: ring modulation by a sine carrier whose frequency follows the input.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "Mod Freq", p2 "ModFMSpd", p3 "Mod Sprd", p4 "ModFMAmt", extra "ModSine", mix "Mod
// Mix".
struct ModulatorState {
    int32_t updateCounter{0}; // samples since the last frequency update
    float inputMean{0.0f};    // (L + R) / 2 at the last update
    float spread{0.0f};       // smoothed "Mod Sprd"
    float frequency{0.0f};    // carrier frequency in Hz
    float phaseIncrement{0.0f};
    float phase{0.0f}; // radians, runs on across events in the step slot
};

void ModulatorStart(ModulatorState &s, const EffectContext &c, StereoSample in);
StereoSample ModulatorProcess(ModulatorState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p);
void ModulatorRun(ModulatorState &s, EffectContext &c, const EffectParams &p, float *left,
                  float *right, int32_t n);

} // namespace frakle::effects
