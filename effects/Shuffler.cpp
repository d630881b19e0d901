// Shuffler: placeholder that passes the input through until the effect is built.
#include "effects/Shuffler.h"

namespace frakle::effects {

void ShufflerStart(ShufflerState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.samples = 0;
}

StereoSample ShufflerProcess(ShufflerState &s, const EffectContext & /*c*/, StereoSample in,
                             const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
