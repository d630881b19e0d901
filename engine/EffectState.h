// Per-effect engine state: the output stage's filter and smoothed pan, mix and volume, and the
// flag that asks the effect to recompute its timing at the next event start. The effect's own
// fields are added by the effect itself. Audio thread, except the filter's setters and the
// recompute flag, which parameter changes use from any thread.
#pragma once

#include "dsp/uFilterRBF2.h"

#include <atomic>

namespace frakle::engine {

struct EffectState {
    dsp::TFilterRBF2 filter;
    float outputPan = 0.5f;
    float outputMix = 1.0f;
    float outputVolume = 0.5f; // the default "… Vol": unity gain from the first sample
    std::atomic<bool> recompute{true};
};

} // namespace frakle::engine
