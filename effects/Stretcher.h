// Stretcher: a granular time stretch of the audio from the event start on; grains start a hop
// apart and cross-fade into each other, so the audio slows down while its pitch stays.
// Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "StretDiv", p2 "StretAmt", p3 "StretXFd", mix "StretMix".
struct StretcherState {
    int32_t grainCounter{0};  // samples into the grain; sizes change only when it is 0
    int32_t grainLength{0};   // a grain lasts grain length + 1 samples
    int32_t grainPosition{0}; // samples since the grain began
    int32_t mode{1};          // grains advance only in mode 1
    int32_t grainStart{0};    // history index of the grain's first sample
    int32_t hop{0};           // how much later each grain starts than the one before
};

void StretcherStart(StretcherState &s, const EffectContext &c, StereoSample in);
StereoSample StretcherProcess(StretcherState &s, const EffectContext &c, StereoSample in,
                              const EffectParams &p);
void StretcherRun(StretcherState &s, EffectContext &c, const EffectParams &p, float *left,
                  float *right, int32_t n);

} // namespace frakle::effects
