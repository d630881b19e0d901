// TapeStop: placeholder that passes the input through until the effect is built.
#include "effects/TapeStop.h"

namespace frakle::effects {

void TapeStopStart(TapeStopState &s, const EffectContext & /*c*/, StereoSample /*in*/) {
    s.samples = 0;
}

StereoSample TapeStopProcess(TapeStopState &s, const EffectContext & /*c*/, StereoSample in,
                             const EffectParams & /*p*/) {
    ++s.samples;
    return in;
}

} // namespace frakle::effects
