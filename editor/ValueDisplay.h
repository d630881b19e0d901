// The texts under the editor's knobs, worked out from knob positions. Pure functions; the
// editor calls them on the UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace frakle::editor {

// The value of a knob: position / scale, clamped to 0 … 1.
float knobValue(int32_t position, int32_t scale);

// A knob's position on its scale (0 … scale). Texts that show whole numbers are worked out from
// it exactly: through the 32-bit value, position 47 of 360 would read as 46.99… and show 46.
struct KnobReading {
    int32_t position = 0;
    int32_t scale = 360;

    float value() const { return knobValue(position, scale); }
    // range × position / scale, exact wherever the result is a whole number.
    long double of(long double range) const;
};

// x rounded to `digits` significant digits, then written with two decimals, halves rounded away
// from zero at both steps.
std::string fixed2(long double x, int digits = 4);

// min + (max − min) × value: whole numbers (floor) in mode 1, two decimals otherwise; then the
// suffix.
std::string genericText(float min, float max, int32_t mode, const std::string &suffix,
                        KnobReading knob);
// "125 Hz" for the modulator's frequency knob, and the nearest note ("B 2"); empty below 1 Hz.
std::string frequencyText(KnobReading knob);
std::string noteText(KnobReading knob);
// "- 3", "None", "+ 2": the retrigger's per-slice changes.
std::string signedChangeText(KnobReading knob);
// The shuffler's block size names, from the knob position (0 … 360).
std::string sliceSizeText(int32_t position);
std::string reverseModeText(float v);
// "Off", or 126 … 2 levels.
std::string bitDepthText(KnobReading knob);
// The delay size from its two knobs (0 … 1 each), in ms below one step, else in steps.
std::string delaySizeText(float size, float fine, int32_t samplesPerMs, int32_t samplesPerBeat);
// The delay's left/right separation: "L 125.00ms", "None", "R 2.55ms".
std::string separationText(float v, int32_t samplesPerMs, int32_t samplesPerBeat);

} // namespace frakle::editor
