// Stretcher: placeholder that passes the input through until the effect is built.
#include "effects/Stretcher.h"

namespace frakle::effects {

void StretcherStart(StretcherState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.samples = 0;
}

StereoSample StretcherProcess(StretcherState &s, const EffectContext & /*c*/, StereoSample in,
                              const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
