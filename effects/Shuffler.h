// Shuffler: plays the event as blocks of random size, some of them taken from earlier audio.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "ShuflMin", p2 "ShuflMax", p3 "ShuflRng", p4 "ShuflAmt", extra "ShuflRep", mix
// "ShuflMix".
struct ShufflerState {
    int32_t samples = 0; // placeholder until the effect is built
};

void ShufflerStart(ShufflerState &s, const EffectContext &c, StereoSample in);
StereoSample ShufflerProcess(ShufflerState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p);

} // namespace frakle::effects
