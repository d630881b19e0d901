// The editor form: layout, refresh from the program and the parameter controls' handlers.
#include "editor/uEditor.h"

#include "editor/Skin.h"
#include "editor/ValueDisplay.h"
#include "midi/MidiMap.h"
#include "state/uPlugin.h"

#include <cmath>

namespace frakle::editor {

namespace {

using gui::TDIBImage;
using gui::TDIBKnob;
using gui::TLabel;
using gui::TMouseButton;

constexpr int32_t kTagDeclick = 2;
constexpr int32_t kTagLength = 1006;
constexpr int32_t kTagClipping = 1012;

// Learn marker slots.
enum : int32_t {
    kLearnLarge,
    kLearnSmall,
    kLearnProb,
    kLearnSolo,
    kLearnFilterType,
    kLearnFxInit,
    kLearnFxRand,
    kLearnPatNum,
};

bool isProbabilityTag(int32_t tag) { return tag >= 16 && tag < 16 + 99 && (tag - 16) % 11 == 0; }

// The knob's full scale: the larger ranges give those knobs a finer drag.
int32_t knobScale(int32_t tag) {
    if (isProbabilityTag(tag)) {
        return 200;
    }
    switch (tag) {
    case 34:
        return 4320;
    case 100:
    case 125:
        return 1440;
    case 103:
        return 2880;
    default:
        return 360;
    }
}

// The position a middle click returns a knob to, as a fraction of its scale.
double knobDefault(int32_t tag) {
    if (tag >= 16 && tag < 16 + 99) {
        switch ((tag - 16) % 11) {
        case 0: // probability
        case 1: // volume
        case 3: // pan
        case 5: // filter frequency
            return 0.5;
        case 2: // mix
            return 1.0;
        case 6: // filter Q
            return 0.0;
        default:
            break;
        }
    }
    switch (tag) {
    case 34:
        return 0.025;
    case 100:
        return 0.04;
    case 25:
        return 0.05;
    case 78:
        return 0.075;
    case 112:
        return 0.125;
    case 37:
    case 45:
        return 0.2;
    case 2:
    case 4:
    case 23:
    case 89:
    case 113:
        return 0.25;
    case 111:
        return 0.4;
    case 10:
    case 47:
    case 48:
    case 58:
    case 68:
    case 90:
    case 103:
        return 0.5;
    case 56:
        return 0.72;
    case 101:
    case 102:
        return 0.75;
    case 57:
        return 0.82;
    case 46:
        return 0.85;
    case 5:
    case 6:
    case 9:
    case 12:
    case 13:
    case 15:
    case 35:
    case 59:
    case 124:
        return 1.0;
    default:
        return 0.0;
    }
}

constexpr const char *kVersion = "v1.3.04";

} // namespace

TPluginEditorWindow::TPluginEditorWindow(std::unique_ptr<gui::TWindowBackend> window)
    : window_(std::move(window)), scene_(kWidth, kHeight) {
    scene_.attach(window_.get());
    buildLayout();
}

TPluginEditorWindow::~TPluginEditorWindow() {
    if (plugin_ != nullptr) {
        plugin_->setEditorOpen(false);
    }
    scene_.attach(nullptr);
}

// --- layout --------------------------------------------------------------------------------

TDIBKnob &TPluginEditorWindow::addKnob(int32_t strip, int32_t left, int32_t top, int32_t tag,
                                       int32_t max) {
    const gui::TImage &image = skin().knobs.images[static_cast<size_t>(strip)];
    TDIBKnob &knob =
        scene_.root().add<TDIBKnob>(left, top, image.frameWidth(), image.bitmap.height);
    knob.setImages(&skin().knobs, strip);
    knob.setMax(max);
    knob.tag = tag;
    knob.onChange = [this](TDIBKnob &k) { knobChange(k); };
    if (tag != kTagDeclick) {
        knob.onMouseDown = [this, &knob](gui::TControl &, TMouseButton button, gui::TShiftState,
                                         int32_t, int32_t) { KnobClick(knob, button); };
    }
    knobs_.push_back(&knob);
    if (tag >= 0 && tag < static_cast<int32_t>(records_.size())) {
        records_[static_cast<size_t>(tag)].knob = &knob;
    }
    return knob;
}

TLabel &TPluginEditorWindow::addLabel(int32_t left, int32_t top, int32_t width,
                                      const std::string &text, uint32_t colour) {
    TLabel &label = scene_.root().add<TLabel>(left, top, width, 11);
    label.setCaption(text);
    label.setColour(colour);
    label.setSizePx(9.0f);
    return label;
}

TDIBImage &TPluginEditorWindow::addImage(const gui::TImageList &list, int32_t index, int32_t left,
                                         int32_t top, int32_t width, int32_t height, int32_t tag) {
    TDIBImage &image = scene_.root().add<TDIBImage>(left, top, width, height);
    image.setImages(&list);
    image.setIndex(index);
    image.tag = tag;
    return image;
}

void TPluginEditorWindow::buildLayout() {
    const TSkin &s = skin();
    gui::TDIBContainer &root = scene_.root();
    addImage(s.backgrounds, 0, 0, 0, kWidth, kHeight); // guiTop
    const uint32_t value = kValueTextColour;
    const uint32_t caption = kCaptionTextColour;

    // Header: knobs at top 36, a value or caption 50 × 11 at top 77 under each.
    struct HeaderKnob {
        int32_t tag;
        int32_t left;
        int32_t labelLeft;
        int32_t labelWidth;
        const char *caption; // null: a value display
    };
    const HeaderKnob header[] = {
        {15, 189, 184, 50, nullptr}, {1, 241, 236, 50, nullptr},  {2, 293, 288, 50, nullptr},
        {4, 353, 347, 55, nullptr},  {5, 400, 397, 50, "Volume"}, {6, 453, 449, 50, "Mix"},
        {7, 500, 496, 50, "Gain"},   {9, 587, 584, 50, "Mix"},    {10, 633, 630, 50, "Freq"},
        {11, 679, 675, 50, "Q"},     {12, 738, 733, 50, "Mix"},   {13, 790, 788, 50, "Volume"},
    };
    for (const HeaderKnob &k : header) {
        addKnob(kKnobLarge, k.left, 36, k.tag);
        TLabel &label = addLabel(k.labelLeft, 77, k.labelWidth, k.caption ? k.caption : "",
                                 k.caption ? caption : value);
        if (k.caption == nullptr) {
            records_[static_cast<size_t>(k.tag)].label = &label;
        }
    }
    filterTypes_[0] = &addImage(s.filterType, 0, 633, 11, 85, 17, 8);
    filterModes_[0] = &addImage(s.filterType, kFilterModeA, 556, 45, 20, 20, 126);
    addLabel(557, 70, 23, "Mode", value);
    clippingIcon_ = &addImage(s.clipping, 0, 806, 6, 31, 25, kTagClipping);
    toggleMidi_ = &addImage(s.frakleMisc, kFmMidiDisable, 10, 74, 58, 20, 1008);
    toggleTransport_ = &addImage(s.frakleMisc, kFmTransportDisable, 78, 74, 88, 20, 1009);
    versionText_ = &addLabel(109, 13, 40, "", gui::Rgb(192, 192, 192));
    versionText_->setAlignment(gui::TAlign::Left);
    aboutBoxToggler_ = &addImage(s.frakleMisc, -1, 0, 0, 150, 65, 1000);
    aboutBoxToggler_->setOpacity(0);
    aboutBox_ = &root.add<gui::TDIBContainer>(1000, 0, 674, 102);
    aboutBox_->setBackground(gui::Rgb(24, 24, 24));
    tipText_ = &root.add<TLabel>(34, 603, 800, 13);
    tipText_->setSizePx(11.0f);
    tipText_->setAlignment(gui::TAlign::Left);

    // Sequencer area.
    chosenEffectHit_ = &addImage(s.hitDetection, kHitChosenEffect, 10, 125, 220, 20, 1001);
    chosenEffectMarker_ = &addImage(s.frakleMisc, kFmMarker, 10, 125, 20, 20, 1001);
    randomiseButton_ = &addImage(s.hitDetection, kHitRandomiseSequence, 240, 125, 120, 20, 1002);
    templatesButton_ = &addImage(s.hitDetection, kHitPresets, 370, 125, 80, 20, 1003);
    patternBankHit_ = &addImage(s.hitDetection, kHitPatternBank, 459, 125, 320, 20, 1004);
    patternMarker_ = &addImage(s.frakleMisc, kFmMarker, 459, 125, 20, 20, 1004);
    learnMarkers_[kLearnPatNum] =
        &addImage(s.hitDetection, kHitMidiMapPatNum, 455, 110, 328, 39, 1020);
    learnMarkers_[kLearnPatNum]->setOpacity(0);
    seqLength_ = &root.add<TDIBKnob>(792, 125, 40, 20);
    seqLength_->setImages(&s.hitDetection, kHitLeftRight);
    seqLength_->setOrientation(gui::TOrientation::Horizontal);
    seqLength_->setMin(4);
    seqLength_->setMax(64);
    seqLength_->tag = kTagLength;
    for (int32_t i = 0; i < 64; ++i) {
        steps_[static_cast<size_t>(i)] = &addImage(s.sequencer, 0, 10 + 12 * i, 159, 12, 40, i);
    }
    seqHitDetect_ = &addImage(s.misc, kMiscSeqHitDetect, 11, 159, 768, 40, 1005);
    seqHitDetect_->setOpacity(0);
    seqPosMarker_ = &addImage(s.misc, kMiscSeqMarker, 11, 200, 11, 5);
    seqShift_ = &addImage(s.hitDetection, kHitShiftSequence, 792, 179, 40, 20, 1007);

    // Effect columns.
    for (int32_t e = 0; e < 9; ++e) {
        const int32_t x0 = 2 + 94 * e;
        const auto column = static_cast<size_t>(e);
        columnHeaders_[column] =
            &addImage(s.frakleMisc, kFmChooseEffectTag2, x0, 220, 88, 17, 4001 + e);
        columnHeaders_[column]->setOpacity(0);
        columnTags_[column] =
            &addImage(s.frakleMisc, kFmChooseEffectTag, x0, 237, 20, 40, 4001 + e);
        columnTags_[column]->setOpacity(0);
        addKnob(kKnobProbability, x0 + 18, 239, 16 + 11 * e, 200);
        TDIBImage &solo = addImage(s.misc, kMiscSoloOff, x0 + 48, 239, 18, 18, e);
        solo.onMouseDown = [this, &solo](gui::TControl &, TMouseButton b, gui::TShiftState, int32_t,
                                         int32_t) { soloEffect(solo, b); };
        solo_[static_cast<size_t>(e)] = &solo;
        TDIBImage &global = addImage(s.misc, kMiscMasterEffectOff, x0 + 68, 239, 18, 18, e);
        global.onMouseDown = [this, &global](gui::TControl &, TMouseButton b, gui::TShiftState,
                                             int32_t, int32_t) { setMasterEffect(global, b); };
        global_[static_cast<size_t>(e)] = &global;
        initButtons_[column] = &addImage(s.frakleMisc, kFmFxInit, x0 + 26, 261, 28, 16, 2050 + e);
        randomiseButtons_[column] =
            &addImage(s.frakleMisc, kFmFxRand, x0 + 56, 261, 32, 16, 2000 + e);
        filterTypes_[column + 1] = &addImage(s.filterType, 0, x0 + 2, 481, 85, 17, 20 + 11 * e);
        filterModes_[column + 1] =
            &addImage(s.filterType, kFilterModeA, x0 + 3, 504, 20, 20, 127 + e);
        addKnob(kKnobSmall, x0 + 30, 501, 21 + 11 * e);
        addKnob(kKnobSmall, x0 + 60, 501, 22 + 11 * e);
        addKnob(kKnobSmallPan, x0, 549, 19 + 11 * e);
        addKnob(kKnobSmall, x0 + 30, 549, 18 + 11 * e);
        addKnob(kKnobSmall, x0 + 60, 549, 17 + 11 * e);
    }
    for (int32_t i = 0; i < 10; ++i) {
        TDIBImage &type = *filterTypes_[static_cast<size_t>(i)];
        type.onMouseDown = [this, &type](gui::TControl &, TMouseButton b, gui::TShiftState,
                                         int32_t x, int32_t) { SetFilterType(type, b, x); };
        TDIBImage &mode = *filterModes_[static_cast<size_t>(i)];
        mode.onMouseDown = [this, &mode](gui::TControl &, TMouseButton b, gui::TShiftState, int32_t,
                                         int32_t) { SetFilterRes(mode, b); };
    }
    clippingIcon_->onMouseDown = [this](gui::TControl &, TMouseButton b, gui::TShiftState, int32_t,
                                        int32_t) { SetClippingMode(b); };

    // Effect-specific knobs with their value labels and captions.
    struct EffectKnob {
        int32_t strip;
        int32_t left;
        int32_t top;
        int32_t tag;
        int32_t max;
        int32_t valueLeft; // -1: no value label
        int32_t valueTop;
        int32_t valueWidth;
        const char *caption;
        int32_t captionLeft;
        int32_t captionTop;
        int32_t captionWidth;
        bool whiteCaption;
    };
    const EffectKnob knobs[] = {
        {kKnobLarge, 5, 285, 23, 360, 42, 304, 50, "SlowDown", 42, 292, 50, false},
        {kKnobLarge, 5, 335, 24, 360, 42, 354, 50, "Delay", 42, 342, 50, false},
        {kKnobLarge, 5, 385, 25, 360, 42, 404, 50, "SpeedUp", 42, 392, 50, false},
        {kKnobLarge, 99, 285, 34, 4320, 136, 299, 50, "Frequency", 136, 287, 50, false},
        {kKnobSmall, 99, 335, 36, 360, 137, 351, 40, "Spread", 137, 339, 50, false},
        {kKnobSmall, 99, 370, 37, 360, 137, 387, 40, "FM Amt", 137, 374, 50, false},
        {kKnobSmall, 99, 405, 35, 360, 137, 421, 40, "FM Speed", 137, 409, 50, false},
        {kKnobSmall, 99, 440, 123, 360, 137, 455, 40, "Sine Mix", 137, 443, 50, false},
        {kKnobLarge, 193, 285, 45, 360, 230, 304, 50, "Speed", 230, 292, 50, false},
        {kKnobLarge, 193, 335, 46, 360, 230, 354, 50, "Length", 230, 342, 50, false},
        {kKnobSmallPan, 193, 382, 47, 360, 230, 398, 50, "S.Change", 230, 385, 50, false},
        {kKnobSmallPan, 193, 422, 48, 360, 230, 438, 50, "Pitch", 230, 426, 50, false},
        {kKnobLarge, 287, 285, 56, 360, 324, 304, 50, "Minimum", 324, 292, 50, false},
        {kKnobLarge, 287, 335, 57, 360, 324, 354, 50, "Maximum", 324, 342, 50, false},
        {kKnobSmall, 287, 382, 58, 360, -1, 0, 0, "Range", 283, 411, 40, true},
        {kKnobSmall, 339, 382, 59, 360, -1, 0, 0, "Amount", 334, 411, 40, true},
        {kKnobSmall, 314, 426, 122, 360, -1, 0, 0, "Repeat", 309, 455, 40, true},
        {kKnobLarge, 381, 285, 67, 360, 418, 304, 50, "Left", 418, 292, 50, false},
        {kKnobLarge, 381, 335, 68, 360, 418, 354, 50, "Right", 418, 342, 50, false},
        {kKnobLargePan, 381, 385, 69, 360, 418, 404, 50, "Mode", 418, 392, 50, false},
        {kKnobLarge, 475, 285, 78, 360, 512, 304, 50, "Amount", 512, 292, 50, false},
        {kKnobLarge, 475, 335, 79, 360, 512, 354, 50, "Quantise", 512, 342, 50, false},
        {kKnobLarge, 475, 385, 80, 360, 512, 404, 50, "Smooth", 512, 392, 50, false},
        {kKnobLarge, 569, 285, 89, 360, 606, 304, 50, "Speed", 606, 292, 50, false},
        {kKnobLarge, 569, 335, 90, 360, 606, 354, 50, "Length", 606, 342, 50, false},
        {kKnobLarge, 569, 385, 91, 360, 606, 404, 50, "Volume", 606, 392, 50, false},
        {kKnobLarge, 663, 285, 100, 1440, 691, 318, 50, "Size", 705, 308, 17, false},
        {kKnobSmall, 716, 285, 125, 1440, -1, 0, 0, nullptr, 0, 0, 0, false},
        {kKnobSmall, 663, 335, 124, 360, 700, 351, 50, "Dry Vol", 693, 339, 60, false},
        {kKnobSmall, 663, 370, 101, 360, 700, 387, 50, "Wet Vol", 693, 374, 60, false},
        {kKnobSmall, 663, 405, 102, 360, 700, 421, 50, "Feedback", 693, 409, 60, false},
        {kKnobSmallPan, 663, 440, 103, 2880, 700, 456, 50, "Separation", 693, 444, 60, false},
        {kKnobLarge, 757, 285, 111, 360, 795, 304, 50, "Divisor", 794, 292, 50, false},
        {kKnobLarge, 757, 335, 112, 360, 795, 354, 50, "Amount", 794, 342, 50, false},
        {kKnobLarge, 757, 385, 113, 360, 795, 404, 50, "X-Fade", 794, 392, 50, false},
    };
    for (const EffectKnob &k : knobs) {
        addKnob(k.strip, k.left, k.top, k.tag, k.max);
        if (k.caption != nullptr) {
            addLabel(k.captionLeft, k.captionTop, k.captionWidth, k.caption,
                     k.whiteCaption ? value : caption);
        }
        if (k.valueLeft >= 0) {
            records_[static_cast<size_t>(k.tag)].label =
                &addLabel(k.valueLeft, k.valueTop, k.valueWidth, "", value);
        }
        if (k.tag == 34) {
            noteDisplay_ = &addLabel(136, 311, 50, "", value);
        }
    }

    // MIDI learn markers wait outside the window until they are moved.
    learnMarkers_[kLearnLarge] = &addImage(s.knobs, kKnobMidiLearn, 860, 160, 41, 41);
    learnMarkers_[kLearnSmall] = &addImage(s.knobs, kKnobMidiLearnSmall, 860, 220, 31, 31);
    learnMarkers_[kLearnProb] = &addImage(s.frakleMisc, kFmMidiMapProb, 860, 281, 32, 22);
    learnMarkers_[kLearnSolo] = &addImage(s.frakleMisc, kFmMidiMapSolo, 900, 221, 22, 22);
    learnMarkers_[kLearnFilterType] = &addImage(s.frakleMisc, kFmMidiMapFt, 860, 311, 89, 21);
    learnMarkers_[kLearnFxInit] = &addImage(s.frakleMisc, kFmMidiMapFxInit, 920, 271, 46, 20);
    learnMarkers_[kLearnFxRand] = &addImage(s.frakleMisc, kFmMidiMapFxRand, 970, 271, 36, 20);
    wirePatternEditing();
    wireHelpAndHeader();

    // A marker lies over the control it marks; clicks go through it to that control, so a second
    // right click on an armed control disarms it.
    for (gui::TDIBImage *marker : learnMarkers_) {
        if (marker->onMouseDown) {
            continue; // a marker with a handler of its own keeps it
        }
        marker->onMouseDown = [this](gui::TControl &self, TMouseButton button,
                                     gui::TShiftState shift, int32_t x, int32_t y) {
            const gui::TRect r = self.absoluteRect();
            self.setVisible(false);
            gui::TControl *below = scene_.controlAt(r.x + x, r.y + y);
            self.setVisible(true);
            if (below != nullptr && below != &self && below->onMouseDown) {
                const gui::TRect b = below->absoluteRect();
                below->onMouseDown(*below, button, shift, r.x + x - b.x, r.y + y - b.y);
            }
        };
    }
}

void TPluginEditorWindow::setUpDisplays() {
    for (DisplayRecord &r : records_) {
        r.min = 0.0f;
        r.max = 100.0f;
        r.suffix = " %";
        r.mode = 1;
        r.rule = Rule::None;
    }
    const auto generic = [this](int32_t tag, float min, float max, const char *suffix,
                                int32_t mode) {
        DisplayRecord &r = records_[static_cast<size_t>(tag)];
        r.min = min;
        r.max = max;
        r.suffix = suffix;
        r.mode = mode;
        r.rule = Rule::Generic;
    };
    generic(1, 0, 360, "", 1);
    generic(2, 0, 100, " %", 1);
    generic(4, 0, 8, " steps", 2);
    generic(15, 0, 100, " %", 1);
    for (int32_t tag : {23, 24, 25, 35, 37, 46, 80, 90, 91, 101, 102, 113, 123, 124}) {
        generic(tag, 0, 100, " %", 1);
    }
    generic(36, 0, 360, " \xC2\xB0", 1);
    generic(45, 2, 32, "", 2);
    generic(67, 0, 100, " %", 2);
    generic(68, 0, 100, " %", 2);
    generic(78, 0, 64, "", 1);
    generic(89, 1, 16, "", 1);
    generic(111, 2, 64, "", 1);
    generic(112, 100, 900, " %", 2);
    records_[34].rule = Rule::Frequency;
    records_[47].rule = Rule::SignedChange;
    records_[48].rule = Rule::SignedChange;
    records_[56].rule = Rule::SliceSize;
    records_[57].rule = Rule::SliceSize;
    records_[69].rule = Rule::ReverseMode;
    records_[79].rule = Rule::BitDepth;
    records_[100].rule = Rule::DelaySize;
    records_[103].rule = Rule::Separation;
}

// --- window life ---------------------------------------------------------------------------

void TPluginEditorWindow::connect(host::AudioEffect *effect) {
    window_->whenReady(effect, [this](void *plugin) {
        InitEditor(static_cast<state::APlugin *>(static_cast<host::AudioEffect *>(plugin)));
    });
}

void TPluginEditorWindow::InitEditor(state::APlugin *plugin) {
    isReady_ = false;
    plugin_ = plugin;
    if (plugin_ == nullptr) {
        return;
    }
    versionText_->setCaption(kVersion);
    setUpDisplays();
    plugin_->setEditorOpen(true);
    plugin_->takeEditorRequests(); // everything is drawn afresh below

    seqLength_->setPosition(plugin_->GetLength());
    clippingIcon_->setIndex(plugin_->GetClippingMode() - 1);
    plugin_->SetMidiLearnTarget(-1);
    chosenEffectMarker_->moveTo(chosenEffectHit_->left() + (plugin_->GetChosenEffect() - 1) * 20,
                                chosenEffectMarker_->top());
    toggleTransport_->setIndex(plugin_->GetIgnoreTransport() ? kFmTransportEnable
                                                             : kFmTransportDisable);
    toggleMidi_->setIndex(plugin_->GetMidiEnabled() ? kFmMidiDisable : kFmMidiEnable);

    tipVisible_ = true;
    lastTipTag_ = -1;
    tipText_->setCaption("");
    sequencerFree_ = true;
    isRefreshing_ = false;
    isReady_ = true;
    RefreshAll(true);
    RefreshSequencer(plugin_->GetPattern());
    scene_.update();
}

void TPluginEditorWindow::idle() {
    if (window_) {
        window_->pumpEvents(scene_);
    }
    if (connected() && plugin_->editorOpen()) {
        const uint32_t requests = plugin_->takeEditorRequests();
        // A learn completed by MIDI hides the markers, unless the user has armed another
        // control since: that one keeps its marker.
        if ((requests & state::kHideLearnMarkers) != 0 && plugin_->GetMidiLearnTarget() < 0) {
            HideLearnMarkers();
        }
        RefreshAll((requests & state::kRefreshAll) != 0);
        MoveSeqPosMarker(plugin_->GetCurrentStep());
    }
    scene_.update();
}

// --- refresh -------------------------------------------------------------------------------

void TPluginEditorWindow::RefreshAll(bool force) {
    if (!connected()) {
        return;
    }
    isRefreshing_ = true;
    for (TDIBKnob *knob : knobs_) {
        const int32_t tag = knob->tag;
        const float v = plugin_->GetControlValue(tag);
        const auto p = static_cast<int32_t>(std::nearbyint(static_cast<double>(v) * knob->max()));
        if (p != knob->position() || force) {
            knob->setPosition(p);
            if (tag < static_cast<int32_t>(records_.size()) &&
                (records_[static_cast<size_t>(tag)].rule != Rule::None || tag == 125)) {
                formatDisplay(tag);
            }
        }
    }
    for (int32_t i = 0; i < 10; ++i) {
        TDIBImage &type = *filterTypes_[static_cast<size_t>(i)];
        const auto k = static_cast<int32_t>(std::floor(plugin_->GetControlValue(type.tag) * 4.0f));
        type.setIndex(k < 0 ? 0 : (k > 4 ? 4 : k));
        filterModes_[static_cast<size_t>(i)]->setIndex(plugin_->GetFilterMode(i) + kFilterModeA);
    }
    RefreshSequencer(plugin_->GetPattern());
    isRefreshing_ = false;
}

void TPluginEditorWindow::RefreshSequencer(int32_t pattern) {
    if (!connected() || !sequencerFree_) {
        return;
    }
    sequencerFree_ = false;
    pattern = pattern < 0 ? 0 : (pattern > 15 ? 15 : pattern);
    int32_t s[64];
    for (int32_t i = 0; i < 64; ++i) {
        s[i] = plugin_->GetStep(i);
    }
    const int32_t n = plugin_->GetLength();
    const int32_t last = n - 1;
    int32_t cur = 0;
    for (int32_t i = 0; i < last; ++i) {
        int32_t image = kStepUnused;
        if (s[i] == 0 && cur == 0) {
            image = 11;
        } else if (s[i] > 0 && s[i + 1] > 0) {
            image = s[i];
        } else if (s[i] > 0) {
            cur = s[i];
            image = s[i] + 11;
        } else if (s[i + 1] == 0) {
            image = cur + 22;
        } else {
            image = cur + 33;
        }
        steps_[static_cast<size_t>(i)]->setIndex(image);
    }
    int32_t lastImage = 11;
    if (s[last] > 0) {
        lastImage = s[last];
    } else if (cur > 0) {
        lastImage = cur + 33;
    }
    steps_[static_cast<size_t>(last)]->setIndex(lastImage);
    for (int32_t i = n; i < 64; ++i) {
        steps_[static_cast<size_t>(i)]->setIndex(kStepUnused);
    }
    // Codes beyond the image list (a damaged program) show as unused steps.
    for (TDIBImage *step : steps_) {
        if (step->index() >= kStepImageCount) {
            step->setIndex(kStepUnused);
        }
    }
    const int32_t offset = 20 * (pattern % 16);
    patternMarker_->moveTo(459 + (offset > 300 ? 300 : offset), patternMarker_->top());
    RefreshSoloSwitches();
    RefreshGlobalSwitches();
    sequencerFree_ = true;
}

void TPluginEditorWindow::RefreshSoloSwitches() {
    if (!connected()) {
        return;
    }
    const int32_t solo = plugin_->GetPatternSolo();
    for (int32_t e = 0; e < 9; ++e) {
        solo_[static_cast<size_t>(e)]->setIndex(e == solo ? kMiscSoloOn : kMiscSoloOff);
    }
}

void TPluginEditorWindow::RefreshGlobalSwitches() {
    if (!connected()) {
        return;
    }
    const int32_t global = plugin_->GetPatternGlobal();
    for (int32_t e = 0; e < 9; ++e) {
        global_[static_cast<size_t>(e)]->setIndex(e == global ? kMiscMasterEffectOn
                                                              : kMiscMasterEffectOff);
    }
}

void TPluginEditorWindow::MoveSeqPosMarker(int32_t step) {
    if (connected()) {
        seqPosMarker_->moveTo(step * 12 + 11, seqPosMarker_->top());
    }
}

void TPluginEditorWindow::HideLearnMarkers() {
    if (!connected()) {
        return;
    }
    for (size_t i = 0; i < kLearnPatNum; ++i) {
        learnMarkers_[i]->moveTo(-100, 0);
    }
    learnMarkers_[kLearnPatNum]->setOpacity(0);
}

// --- parameter controls --------------------------------------------------------------------

TDIBKnob *TPluginEditorWindow::knob(int32_t tag) const {
    for (TDIBKnob *k : knobs_) {
        if (k->tag == tag) {
            return k;
        }
    }
    return tag == kTagLength ? seqLength_ : nullptr;
}

TLabel *TPluginEditorWindow::display(int32_t tag) const {
    return tag >= 0 && tag < static_cast<int32_t>(records_.size())
               ? records_[static_cast<size_t>(tag)].label
               : nullptr;
}

void TPluginEditorWindow::knobChange(TDIBKnob &sender) {
    if (isRefreshing_ || !connected()) {
        return;
    }
    const int32_t tag = sender.tag;
    const float v = knobValue(sender.position(), knobScale(tag));
    if (tag == kTagDeclick) {
        plugin_->StoreDeclickSetting(v);
        formatDisplay(kTagDeclick);
        return;
    }
    const int32_t parameter = midi::TagToParameter(tag);
    if (parameter < 0) {
        return;
    }
    plugin_->setParameterAutomated(parameter, v);
    if (tag < static_cast<int32_t>(records_.size()) &&
        (records_[static_cast<size_t>(tag)].rule != Rule::None || tag == 125)) {
        formatDisplay(tag);
    }
}

void TPluginEditorWindow::formatDisplay(int32_t tag) {
    if (!connected()) {
        return;
    }
    if (tag == 125) {
        tag = 100; // the fine knob shows on the size display
    }
    if (tag < 0 || tag >= static_cast<int32_t>(records_.size())) {
        return;
    }
    const DisplayRecord &r = records_[static_cast<size_t>(tag)];
    if (r.label == nullptr || r.knob == nullptr) {
        return;
    }
    const int32_t scale = tag == 34 ? 4320 : (tag == 103 ? 2880 : 360);
    const KnobReading reading{r.knob->position(), scale};
    std::string text;
    switch (r.rule) {
    case Rule::Generic:
        text = genericText(r.min, r.max, r.mode, r.suffix, reading);
        break;
    case Rule::Frequency:
        text = frequencyText(reading);
        noteDisplay_->setCaption(noteText(reading));
        break;
    case Rule::SignedChange:
        text = signedChangeText(reading);
        break;
    case Rule::SliceSize:
        text = sliceSizeText(r.knob->position());
        break;
    case Rule::ReverseMode:
        text = reverseModeText(reading.value());
        break;
    case Rule::BitDepth:
        text = bitDepthText(reading);
        break;
    case Rule::DelaySize: {
        const TDIBKnob *fine = knob(125);
        text = delaySizeText(knobValue(r.knob->position(), 1440),
                             fine != nullptr ? knobValue(fine->position(), 1440) : 0.0f,
                             plugin_->engine().samplesPerMs(),
                             plugin_->engine().samplesPerBeatShared());
        break;
    }
    case Rule::Separation:
        text = separationText(reading.value(), plugin_->engine().samplesPerMs(),
                              plugin_->engine().samplesPerBeatShared());
        break;
    case Rule::None:
        return;
    }
    r.label->setCaption(text);
}

void TPluginEditorWindow::KnobClick(TDIBKnob &sender, TMouseButton button) {
    if (!connected()) {
        return;
    }
    if (button == TMouseButton::Middle) {
        KnobSetDefault(sender);
    } else if (button == TMouseButton::Right) {
        size_t marker = kLearnLarge;
        int32_t offset = 1;
        switch (sender.index()) {
        case kKnobLarge:
        case kKnobLargePan:
            break;
        case kKnobSmall:
        case kKnobSmallPan:
            marker = kLearnSmall;
            break;
        case kKnobProbability:
            marker = kLearnProb;
            offset = 2;
            break;
        default:
            marker = learnMarkers_.size(); // armed, but no marker
            break;
        }
        armLearn(sender.tag, marker < learnMarkers_.size() ? learnMarkers_[marker] : nullptr,
                 sender.left() - offset, sender.top() - offset);
    }
}

void TPluginEditorWindow::KnobSetDefault(TDIBKnob &sender) {
    sender.setPosition(
        static_cast<int32_t>(std::nearbyint(sender.max() * knobDefault(sender.tag))));
}

void TPluginEditorWindow::armLearn(int32_t tag, TDIBImage *marker, int32_t left, int32_t top) {
    if (plugin_->GetMidiLearnTarget() != tag) {
        HideLearnMarkers();
        if (marker != nullptr) {
            marker->moveTo(left, top);
        }
        plugin_->SetMidiLearnTarget(tag);
    } else {
        HideLearnMarkers();
        plugin_->SetMidiLearnTarget(-1);
        plugin_->ForgetMidiLearn(tag);
    }
}

void TPluginEditorWindow::SetFilterType(TDIBImage &sender, TMouseButton button, int32_t x) {
    if (!connected()) {
        return;
    }
    if (button == TMouseButton::Left) {
        int32_t k = x / 17;
        k = k < 0 ? 0 : (k > 4 ? 4 : k);
        sender.setIndex(k);
        plugin_->setParameterAutomated(midi::TagToParameter(sender.tag),
                                       0.25f * static_cast<float>(k));
    } else if (button == TMouseButton::Right) {
        armLearn(sender.tag, learnMarkers_[kLearnFilterType], sender.left() - 2, sender.top() - 2);
    }
}

void TPluginEditorWindow::SetFilterRes(TDIBImage &sender, TMouseButton button) {
    if (!connected() || button != TMouseButton::Left) {
        return;
    }
    const int32_t i = sender.tag - 126;
    if (sender.index() != kFilterModeA) {
        plugin_->SetFilterMode(i, false);
        sender.setIndex(kFilterModeA);
    } else {
        plugin_->SetFilterMode(i, true);
        sender.setIndex(kFilterModeB);
    }
}

void TPluginEditorWindow::SetClippingMode(TMouseButton button) {
    if (!connected() || button != TMouseButton::Left) {
        return;
    }
    int32_t mode = plugin_->GetClippingMode() + 1;
    if (mode > 3) {
        mode = 1;
    }
    plugin_->StoreClippingMode(mode);
    clippingIcon_->setIndex(mode - 1);
}

void TPluginEditorWindow::soloEffect(TDIBImage &sender, TMouseButton button) {
    if (!connected()) {
        return;
    }
    const int32_t e = sender.tag;
    if (button == TMouseButton::Left) {
        plugin_->setParameterAutomated(100 + e, e != plugin_->GetPatternSolo() ? 1.0f : 0.0f);
        RefreshSoloSwitches();
        RefreshGlobalSwitches();
    } else if (button == TMouseButton::Right) {
        armLearn(201 + e, learnMarkers_[kLearnSolo], sender.left() - 2, sender.top() - 2);
    }
}

void TPluginEditorWindow::setMasterEffect(TDIBImage &sender, TMouseButton button) {
    if (!connected()) {
        return;
    }
    const int32_t e = sender.tag;
    if (button == TMouseButton::Left) {
        plugin_->setParameterAutomated(109 + e, e != plugin_->GetPatternGlobal() ? 1.0f : 0.0f);
        RefreshSoloSwitches();
        RefreshGlobalSwitches();
    } else if (button == TMouseButton::Right) {
        armLearn(301 + e, learnMarkers_[kLearnSolo], sender.left() - 2, sender.top() - 2);
    }
}

} // namespace frakle::editor
