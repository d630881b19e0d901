// Reverser: plays the event backwards between two loop points.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "RevLeft", p2 "RevRight", p3 "RevMode", mix "RevrsMix".
struct ReverserState {
    int32_t samples = 0; // placeholder until the effect is built
};

void ReverserStart(ReverserState &s, const EffectContext &c, StereoSample in);
StereoSample ReverserProcess(ReverserState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p);

} // namespace frakle::effects
