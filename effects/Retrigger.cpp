// Retrigger: placeholder that passes the input through until the effect is built.
#include "effects/Retrigger.h"

namespace frakle::effects {

void RetriggerStart(RetriggerState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.samples = 0;
}

StereoSample RetriggerProcess(RetriggerState &s, const EffectContext & /*c*/, StereoSample in,
                              const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
