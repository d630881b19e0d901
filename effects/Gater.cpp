// Gater: placeholder that passes the input through until the effect is built.
#include "effects/Gater.h"

namespace frakle::effects {

void GaterStart(GaterState &s, const EffectContext & /*c*/, StereoSample /*in*/) { s.samples = 0; }

StereoSample GaterProcess(GaterState &s, const EffectContext & /*c*/, StereoSample in,
                          const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
