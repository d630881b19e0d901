// Reverser: placeholder that passes the input through until the effect is built.
#include "effects/Reverser.h"

namespace frakle::effects {

void ReverserStart(ReverserState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.samples = 0;
}

StereoSample ReverserProcess(ReverserState &s, const EffectContext & /*c*/, StereoSample in,
                             const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
