// Reverser: plays the event backwards between two loop points, in one of three modes ("Ping Pong",
// "Reverse 1", "Reverse 2"). Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "RevLeft", p2 "RevRight", p3 "RevMode", mix "RevrsMix".
struct ReverserState {
    int32_t sampleCounter{0}; // loop points follow the parameters only when this is 0
    int32_t regionLength{0};  // the step length at event start
    int32_t cursor{0};        // offset from the base of the next sample to read
    int32_t direction{1};     // 1 forward, -1 backward
    int32_t base{0};          // history index of cursor 0
    int32_t start{0};         // loop points as offsets from the base
    int32_t end{0};
    float lastOutput[2]{0.0f, 0.0f}; // wet, before the dry/wet blend
    // The event started away from the pattern's first step. "RevMode" arrives with the first
    // sample's parameters, so that sample decides whether "Reverse 2" starts a step length back.
    bool backwardStartPending{false};
};

void ReverserStart(ReverserState &s, const EffectContext &c, StereoSample in);
StereoSample ReverserProcess(ReverserState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p);
void ReverserRun(ReverserState &s, EffectContext &c, const EffectParams &p, float *left,
                 float *right, int32_t n);

} // namespace frakle::effects
