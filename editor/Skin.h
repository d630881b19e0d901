// The editor's artwork: every image list of the editor window, drawn in code on first use.
#pragma once

#include "gui/Bitmap.h"

#include <cstdint>

namespace frakle::editor {

// One list per image list of the window; each image in list order, filmstrips as TImage frames.
struct TSkin {
    gui::TImageList backgrounds;  // "gui" 844 × 626
    gui::TImageList misc;         // seqMarker, solo/global switches, fxrandomise, seqHitDetect
    gui::TImageList sequencer;    // frakle13_sequencer: the 45 step images
    gui::TImageList hitDetection; // frakle13_hit_detection: the sequencer strips and buttons
    gui::TImageList frakleMisc;   // frakle13_misc: markers, switches, buttons, learn outlines
    gui::TImageList knobs;        // frakle13_knobs: four knob strips, probability, learn rings
    gui::TImageList filterType;   // frakle13_filter_type: type selectors and Q mode A / B
    gui::TImageList clipping;     // frakle13_clipping: none, soft, hard
};

// Image indices of each list.
enum TMiscImage : int32_t {
    kMiscSeqMarker = 0,
    kMiscSoloOff = 1,
    kMiscSoloOn = 2,
    kMiscMasterEffectOff = 3,
    kMiscMasterEffectOn = 4,
    kMiscFxRandomise = 5,
    kMiscSeqHitDetect = 6,
};

// Sequencer step images: kStepUnused, then four groups of eleven (random, effects 0..8, off):
// a = one-step event, b = first, c = inner and d = last step of a longer event.
enum TStepImage : int32_t {
    kStepUnused = 0,
    kStepGroupA = 1,
    kStepGroupB = 12,
    kStepGroupC = 23,
    kStepGroupD = 34,
    kStepImageCount = 45,
};

enum THitDetectionImage : int32_t {
    kHitRandomiseSequence = 0,
    kHitChosenEffect = 1,
    kHitPresets = 2,
    kHitPatternBank = 3,
    kHitLeftRight = 4,
    kHitShiftSequence = 5,
    kHitMidiMapPatNum = 6,
};

enum TFrakleMiscImage : int32_t {
    kFmSeqPos = 0,
    kFmMarker = 1,
    kFmSoloOff = 2,
    kFmSoloOn = 3,
    kFmGlobalOff = 4,
    kFmGlobalOn = 5,
    kFmMidiEnable = 6,       // shown while MIDI is off: "MIDI OFF"
    kFmMidiDisable = 7,      // shown while MIDI is on: "MIDI ON"
    kFmTransportEnable = 8,  // shown while the host transport is ignored: "FREE RUN"
    kFmTransportDisable = 9, // shown while following the host: "HOST SYNC"
    kFmFxButton = 10,
    kFmChooseEffectTag = 11,
    kFmMidiMapSolo = 12,
    kFmMidiMapProb = 13,
    kFmMidiMapFt = 14,
    kFmFxInit = 15,
    kFmFxRand = 16,
    kFmMidiMapFxInit = 17,
    kFmMidiMapFxRand = 18,
    kFmChooseEffectTag2 = 19,
};

enum TKnobImage : int32_t {
    kKnobLarge = 0,
    kKnobLargePan = 1,
    kKnobSmall = 2,
    kKnobSmallPan = 3,
    kKnobProbability = 4,
    kKnobMidiLearn = 5,
    kKnobMidiLearnSmall = 6,
};

enum TFilterTypeImage : int32_t {
    kFilterOff = 0, // 0..4: off, lowpass, highpass, bandpass, notch (the chosen cell lit)
    kFilterModeA = 5,
    kFilterModeB = 6,
};

constexpr int32_t kKnobFrames = 180;
constexpr int32_t kProbabilityFrames = 101;

// Text colours that suit the skin: value displays and fixed captions.
constexpr uint32_t kValueTextColour = gui::Rgb(236, 238, 242);
constexpr uint32_t kCaptionTextColour = gui::Rgb(138, 143, 153);
// Background behind the help line.
constexpr uint32_t kHelpLineColour = gui::Rgb(18, 19, 22);

// The colour of effect e (0..8, tape stop .. stretcher); out-of-range values give the random
// step's neutral colour.
uint32_t effectColour(int32_t e);

// The skin, built on first use and kept for the life of the process. Call it from the UI thread.
const TSkin &skin();

// A freshly drawn skin (for tools and tests; the editor uses skin()).
TSkin buildSkin();

} // namespace frakle::editor
