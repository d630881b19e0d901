// Modulator: placeholder that passes the input through until the effect is built.
#include "effects/Modulator.h"

namespace frakle::effects {

void ModulatorStart(ModulatorState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.samples = 0;
}

StereoSample ModulatorProcess(ModulatorState &s, const EffectContext & /*c*/, StereoSample in,
                              const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
