// A small synthesised drum loop for trying the effect: kick, snare and hats at a given tempo.
#pragma once

#include <cstddef>
#include <vector>

namespace frakle::tools {

struct LoopSettings {
    double bpm = 120.0;
    int bars = 4; // of 4/4
    int sampleRate = 44100;
};

struct DrumLoop {
    std::vector<float> left;
    std::vector<float> right;
};

// Frames in the loop: bars × 4 beats at the tempo, rounded to the nearest frame.
size_t loopFrames(const LoopSettings &settings);

// The same settings always give the same samples; the peak sits at -3 dBFS.
DrumLoop synthesiseLoop(const LoopSettings &settings);

} // namespace frakle::tools
