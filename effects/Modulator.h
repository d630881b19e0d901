// Modulator: ring modulation by a sine carrier whose frequency follows the input.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "Mod Freq", p2 "ModFMSpd", p3 "Mod Sprd", p4 "ModFMAmt", extra "ModSine", mix "Mod
// Mix".
struct ModulatorState {
    int32_t samples = 0; // placeholder until the effect is built
};

void ModulatorStart(ModulatorState &s, const EffectContext &c, StereoSample in);
StereoSample ModulatorProcess(ModulatorState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p);

} // namespace frakle::effects
