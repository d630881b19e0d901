// Retrigger: replays the audio recorded since the event started, slice after slice.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "RetrgSpd", p2 "RetrgLen", p3 "RetrigSC", p4 "RetrgPit", mix "RetrgMix".
// The recompute flag is the engine's (EffectContext::recompute).
struct RetriggerState {
    int32_t sliceStart{0};    // history index where the event began
    int32_t sliceLength{0};   // a slice lasts sliceLength + 1 samples
    int32_t slicePosition{0}; // samples since the current slice began
    float speed{1.0f};        // read speed, 1 = unchanged pitch
    double readPosition{0.0}; // see HeadPosition
    int32_t readIndex{0};
};

void RetriggerStart(RetriggerState &s, const EffectContext &c, StereoSample in);
StereoSample RetriggerProcess(RetriggerState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p);
void RetriggerRun(RetriggerState &s, EffectContext &c, const EffectParams &p, float *left,
                  float *right, int32_t n);

} // namespace frakle::effects
