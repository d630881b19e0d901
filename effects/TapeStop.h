// Tape stop: after an optional delay the playback slows down like a tape machine losing power,
// stops, then speeds up again until it has caught up with the live input. Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "TapSlwDn", p2 "TapeDly", p3 "TapSpdUp", mix "Tape Mix" (applied by the output
// stage only).
struct TapeStopState {
    int32_t sampleCounter{0}; // samples since the event started
    int32_t phase{0};         // 0 normal or slowing down, 1 speeding up
    float speed{1.0f};        // read-head speed in samples per sample
    float delayFraction{0.0f};
    double readPosition{0.0}; // see HeadPosition
    int32_t readIndex{0};
};

void TapeStopStart(TapeStopState &s, const EffectContext &c, StereoSample in);
StereoSample TapeStopProcess(TapeStopState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p);
void TapeStopRun(TapeStopState &s, EffectContext &c, const EffectParams &p, float *left,
                 float *right, int32_t n);

} // namespace frakle::effects
