// Gater: a tempo-synchronised gate.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "GaterSpd", p2 "GaterLen", p3 "GaterVol", mix "GaterMix".
struct GaterState {
    int32_t samples = 0; // placeholder until the effect is built
};

void GaterStart(GaterState &s, const EffectContext &c, StereoSample in);
StereoSample GaterProcess(GaterState &s, const EffectContext &c, StereoSample in,
                          const EffectParams &p);

} // namespace frakle::effects
