// Tape stop: after an optional delay the playback slows down like a tape machine losing power,
// stops, then speeds up again until it has caught up with the live input. Audio thread.
#pragma once

#include "effects/EffectContext.h"

namespace frakle::effects {

// Parameters: p1 "TapSlwDn", p2 "TapeDly", p3 "TapSpdUp", mix "Tape Mix" (applied by the output
// stage only).
struct TapeStopState {
    int32_t samples = 0; // placeholder until the effect is built
};

void TapeStopStart(TapeStopState &s, const EffectContext &c, StereoSample in);
StereoSample TapeStopProcess(TapeStopState &s, const EffectContext &c, StereoSample in,
                             const EffectParams &p);

} // namespace frakle::effects
