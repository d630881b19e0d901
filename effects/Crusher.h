// Crusher: sample-rate reduction (each value held for a number of samples, optionally with a
// straight line between held values) and quantisation to fewer amplitude levels.
// Reads the live sample only. Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "CrushAmt", p2 "CrushQnt", p3 "CrshSmth", mix "CrushMix".
struct CrusherState {
    int32_t holdLength = 0;  // hold period minus one
    int32_t holdCounter = 0; // samples since the current value was taken
    float held[2] = {0.0f, 0.0f};
    float previousHeld[2] = {0.0f, 0.0f};
};

void CrusherStart(CrusherState &s, const EffectContext &c, StereoSample in);
StereoSample CrusherProcess(CrusherState &s, const EffectContext &c, StereoSample in,
                            const EffectParams &p);
void CrusherRun(CrusherState &s, EffectContext &c, const EffectParams &p, float *left, float *right,
                int32_t n);

} // namespace frakle::effects
