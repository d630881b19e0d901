// The help texts, keyed by control tag. A row lists every tag that shares its text; the master
// and effect columns repeat the same sentence for their filter, probability, volume, mix and pan
// controls.
#include "editor/HelpTexts.h"

#include <array>

namespace frakle::editor {

namespace {

struct Row {
    std::array<int16_t, 10> tags; // unused slots stay 0, which no text has
    const char *text;
};

// clang-format off
constexpr Row kRows[] = {
    {{1}, "The seed alters the outcome of every randomised effect. One value per song is enough - this does not need to be changed constantly to make things more random."},
    {{2}, "Several parts of the plugin use a de-click routine to create cleaner cuts in the audio. Lower values help preserve sharp transients but may introduce audible clicking."},
    {{4}, "Step envelope length. Sets how soon each sequencer step fades out."},
    {{5}, "Step envelope volume. Sets the volume level that each step fades out to."},
    {{6}, "Overdrive dry/wet mix."},
    {{7}, "Overdrive gain."},
    {{8, 20, 31, 42, 53, 64, 75, 86, 97, 108}, "Filter type. (Off, Lowpass, Highpass, Bandpass, Notch)"},
    {{9}, "Filter dry/wet mix level."},
    {{10, 21, 32, 43, 54, 65, 76, 87, 98, 109}, "Filter frequency."},
    {{11, 22, 33, 44, 55, 66, 77, 88, 99, 110}, "Filter Q/bandwidth."},
    {{12}, "Master output dry/wet mix level."},
    {{13}, "Master output volume level."},
    {{15}, "Overall level of Frakliness. (Overall Probability in earlier versions of Frakle)"},
    {{16, 27, 38, 49, 60, 71, 82, 93, 104}, "Set the effect's probability, which determines how likely this effect is to be chosen at random by the sequencer. (Click and drag up/down to change)"},
    {{17, 28, 39, 50, 61, 72, 83, 94, 105}, "Set the volume/gain level. (0% - 200%)"},
    {{18, 29, 40, 51, 62, 73, 84, 95, 106}, "Set the dry/wet mix level."},
    {{19, 30, 41, 52, 63, 74, 85, 96, 107}, "Set the stereo panning."},
    {{23}, "The speed at which the effect slows down to a stop."},
    {{24}, "The amount of delay before the effects start to slow down."},
    {{25}, "The speed at which the effect speeds up again after slowing to a stop."},
    {{34}, "The ring modulation frequency."},
    {{35}, "The speed at which the frequency modulation reacts to the incoming audio. (100% = fastest. 0% = slowest)"},
    {{36}, "The phase difference between the left and right channels. (Hint: 0° - 90° creates a nice stereo effect)"},
    {{37}, "The amount of frequency modulation. This causes the main frequency to change based on the amplitude of the incoming audio."},
    {{45}, "The retrigger speed in slices per beat. (1 beat = 4 sequencer steps)"},
    {{46}, "How soon each retriggered slice is cut. (100% = no cutting. 0% = cut to silence almost instantly)"},
    {{47}, "The change in speed that occurs after each retriggered slice."},
    {{48}, "The change in pitch that occurs after each retriggered slice."},
    {{56}, "The size of the smallest slice that will be chosen at random."},
    {{57}, "The size of the largest slice that will be chosen at random."},
    {{58}, "How far back into the audio buffer the effect will randomly pick slices from."},
    {{59}, "The overall amount of shuffling that occurs."},
    {{67}, "The leftmost loop point within the step."},
    {{68}, "The rightmost loop point within the step."},
    {{69}, "Ping pong mode loops back and forth. Reverse 1 plays forward once then backwards repeatedly. Reverse 2 plays backwards only (except on first sequencer step)."},
    {{78}, "The amount of sample rate reduction."},
    {{79}, "The amount of amplitude quantisation. (Simulates bit-depth reduction)"},
    {{80}, "The amount of smoothing performed during sample rate reduction."},
    {{89}, "The speed of the gating effect in slices per beat. (1 beat = 4 sequencer steps)"},
    {{90}, "How soon each gated slice is cut. (100% = no cutting. 0% = cut to silence almost instantly)"},
    {{91}, "The volume level which the gate cuts to."},
    {{100}, "The delay size."},
    {{101}, "The volume level of the wet signal."},
    {{102}, "The amount of delay feedback."},
    {{103}, "The amount of separation between the left and right channel delay sizes."},
    {{111}, "The size of each grain of audio. (grain size = 1 beat / divisor)"},
    {{112}, "The amount of time stretching applied."},
    {{113}, "The amount of cross-fading performed between audio grains."},
    {{122}, "The maximum amount a shuffled slice will be randomly repeated."},
    {{123}, "Mixes the sinewave carrier signal into the effect's output. (Hint: can be used to make weird sci-fi computer sounds)"},
    {{124}, "The volume level of the dry signal."},
    {{125}, "Fine tune delay size."},
    {{126, 127, 128, 129, 130, 131, 132, 133, 134, 135}, "Filter Q mode. (A = normal. B = resonant... be careful!)"},
    {{1000}, "Toggle about box."},
    {{1001}, "The effect to use when editing the sequencer pattern. (R = Random effect. Blank = no effect)"},
    {{1002}, "Randomise the sequencer pattern. (Steps = randomise step positions only. FX = randomise effects only. Both = randomise everything)"},
    {{1003}, "Load a simple template pattern which you can build upon."},
    {{1004}, "Left mouse button to load/copy a pattern. Right mouse button to paste the current pattern into the newly selected position."},
    {{1005}, "Left mouse button to insert the chosen effect. Right mouse button to delete a step. Middle mouse button to insert a blank step."},
    {{1006}, "Adjust sequencer length. Click once to adjust length 1 step at a time. Click+drag left/right for faster adjustment."},
    {{1007}, "Shift the entire sequencer pattern left/right by 1 step."},
    {{1008}, "Enable or disable Frakle's response to incoming MIDI messages."},
    {{1009}, "Certain hosts may require you to disable the transport for Frakle to work. You should leave it enabled if possible."},
    {{1010}, "Solo this effect. While solo'd no other effect will be triggered by the sequencer. (This setting is saved with the current sequencer pattern)"},
    {{1011}, "Set this as the global effect. The global effect is processed on top of all other effects. (This setting is saved with the current sequencer pattern)"},
    {{1012}, "Set clipping mode. Options are: No clipping, soft clipping (saturation), hard/digital clipping."},
    {{1020}, "Right click to MIDI learn the Pattern Number parameter."},
    {{2000, 2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008}, "Randomise effect parameters."},
    {{2050, 2051, 2052, 2053, 2054, 2055, 2056, 2057, 2058}, "Reset effect parameters to default values."},
    {{4001, 4002, 4003, 4004, 4005, 4006, 4007, 4008, 4009}, "Set this as the chosen effect."},
};
// clang-format on

} // namespace

std::string_view HelpText(int32_t tag) {
    if (tag <= 0) {
        return {};
    }
    for (const Row &row : kRows) {
        for (const int16_t t : row.tags) {
            if (t == tag) {
                return row.text;
            }
        }
    }
    return {};
}

} // namespace frakle::editor
