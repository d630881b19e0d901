// Shuffler: plays the event as blocks of random size, some of them taken from earlier audio and
// repeated. Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "ShuflMin", p2 "ShuflMax", p3 "ShuflRng", p4 "ShuflAmt", extra "ShuflRep", mix
// "ShuflMix".
struct ShufflerState {
    int32_t blockPosition{0}; // samples since the current block began
    int32_t blockLength{0};
    int32_t blockSource{0}; // history index of the block's first sample
    int32_t repeatsLeft{0};
    float lastOutput[2]{0.0f, 0.0f};  // wet, before the dry/wet blend
    int32_t declickLength[2]{0, 0};   // per channel, at the current block start
    float declickStep[2]{0.0f, 0.0f}; // 1 / de-click length, or 0
    // Shared by both slots: the shuffler never runs in both at once.
    bool shuffleActive{false}; // the current block is a shuffled one
    int32_t lastReadIndex{0};  // history index of the previous block's last sample
};

void ShufflerStart(ShufflerState &s, const EffectContext &c, StereoSample in);
StereoSample ShufflerProcess(ShufflerState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p);
void ShufflerRun(ShufflerState &s, EffectContext &c, const EffectParams &p, float *left,
                 float *right, int32_t n);

} // namespace frakle::effects
