// Gater: a tempo-synchronised gate. The event is cut into 1 to 16 slices per beat; each slice is
// open for part of its length, then ramps down to the closed level, and its opening is
// de-clicked. Reads the live sample only. Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "GaterSpd", p2 "GaterLen", p3 "GaterVol", mix "GaterMix".
struct GaterState {
    int32_t slicePosition = 0; // samples since the slice began
    int32_t sliceLength = 0;   // a slice lasts sliceLength + 1 samples
    int32_t openLength = 0;    // samples fully open at the slice start
    float closedVolume = 0.0f; // "GaterVol" taken at the slice start
    float gain = 0.0f;         // last value of the closing ramp
    float lastOutput[2] = {0.0f, 0.0f};
    int32_t declickLength[2] = {0, 0}; // fade-in of each channel at the slice start
    float declickStep[2] = {0.0f, 0.0f};
};

void GaterStart(GaterState &s, const EffectContext &c, StereoSample in);
StereoSample GaterProcess(GaterState &s, const EffectContext &c, StereoSample in,
                          const EffectParams &p);
void GaterRun(GaterState &s, EffectContext &c, const EffectParams &p, float *left, float *right,
              int32_t n);

} // namespace frakle::effects
