// Stretcher: a granular time stretch of the audio from the event start on.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "StretDiv", p2 "StretAmt", p3 "StretXFd", mix "StretMix".
struct StretcherState {
    int32_t samples = 0; // placeholder until the effect is built
};

void StretcherStart(StretcherState &s, const EffectContext &c, StereoSample in);
StereoSample StretcherProcess(StretcherState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p);

} // namespace frakle::effects
