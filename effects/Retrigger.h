// Retrigger: replays the audio recorded since the event started, slice after slice.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "RetrgSpd", p2 "RetrgLen", p3 "RetrigSC", p4 "RetrgPit", mix "RetrgMix".
struct RetriggerState {
    int32_t samples = 0; // placeholder until the effect is built
};

void RetriggerStart(RetriggerState &s, const EffectContext &c, StereoSample in);
StereoSample RetriggerProcess(RetriggerState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p);

} // namespace frakle::effects
