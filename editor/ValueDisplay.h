// The texts under the editor's knobs, worked out from knob positions. Pure functions; the
// editor calls them on the UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace frakle::editor {

// The value of a knob: position / scale, clamped to 0 … 1.
float knobValue(int32_t position, int32_t scale);

// x rounded to `digits` significant digits, then written with two decimals.
std::string fixed2(long double x, int digits = 4);

// min + (max − min) × v: whole numbers (floor) in mode 1, two decimals otherwise; then the suffix.
std::string genericText(float min, float max, int32_t mode, const std::string &suffix, float v);
// "125 Hz" for the modulator's frequency knob, and the nearest note ("B 2"); empty below 1 Hz.
std::string frequencyText(float v);
std::string noteText(float v);
// "- 3", "None", "+ 2": the retrigger's per-slice changes.
std::string signedChangeText(float v);
// The shuffler's block size names, from the knob position (0 … 360).
std::string sliceSizeText(int32_t position);
std::string reverseModeText(float v);
// "Off", or 126 … 2 levels.
std::string bitDepthText(float v);
// The delay size from its two knobs (0 … 1 each), in ms below one step, else in steps.
std::string delaySizeText(float size, float fine, int32_t samplesPerMs, int32_t samplesPerBeat);
// The delay's left/right separation: "L 125.00ms", "None", "R 2.55ms".
std::string separationText(float v, int32_t samplesPerMs, int32_t samplesPerBeat);

} // namespace frakle::editor
