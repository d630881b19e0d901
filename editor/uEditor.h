// TPluginEditorWindow: the editor form. Builds the controls of the window from the layout,
// turns knob, selector and switch input into parameter changes, and keeps every control in line
// with the program on the host's idle calls. UI thread only; the model's redraw requests arrive
// as flags taken at the next idle.
#pragma once

#include "gui/Controls.h"
#include "gui/Scene.h"
#include "gui/Window.h"
#include "host/DVstTemplate.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace frakle::state {
class APlugin;
}

namespace frakle::editor {

class TPluginEditorWindow : public host::TEditorForm {
public:
    static constexpr int32_t kWidth = 844;
    static constexpr int32_t kHeight = 626;

    explicit TPluginEditorWindow(std::unique_ptr<gui::TWindowBackend> window);
    ~TPluginEditorWindow() override;

    // The host-facing side: the plug-in arrives once the window exists, then idle calls.
    void connect(host::AudioEffect *effect) override;
    void idle() override;

    void InitEditor(state::APlugin *plugin);
    void RefreshAll(bool force);
    void RefreshSequencer(int32_t pattern);
    void RefreshSoloSwitches();
    void RefreshGlobalSwitches();
    void MoveSeqPosMarker(int32_t step);
    void HideLearnMarkers();

    // --- pattern editing: the sequencer area's handlers (PatternEditing.cpp) ---
    // For tests: the marker over the chosen-effect strip.
    gui::TDIBImage *chosenEffectMarker() const { return chosenEffectMarker_; }

private:
    void SetChosenEffect(gui::TDIBImage &sender, gui::TMouseButton button, int32_t x);
    void SetChosenEffectFromMarker(gui::TMouseButton button);
    // The step area: a press paints the step under it, a drag every other step it passes.
    void changeSeqPos(gui::TMouseButton button, int32_t x);
    void FormMouseMove(gui::TShiftState shift, int32_t x);
    void ChangeSeqLength();
    void ChangeSeqLengthStep(int32_t x);
    void ShiftSequence(gui::TMouseButton button, int32_t x);
    void SequencerLoadPreset(gui::TMouseButton button, int32_t x);
    void SequencerLoadPattern(gui::TMouseButton button, int32_t x);
    void seqRandomise(gui::TMouseButton button, int32_t x);
    // A press on the pattern-number learn overlay where no bank cell lies below it.
    void MidiLearnPatNum(gui::TMouseButton button);

public:
    // --- end of pattern editing ---

    // --- help line, about box, header switches, effect buttons (HelpAndHeader.cpp) ---
    // Shows the help text of `tag` on the help line, unless that tag's text is showing already.
    void ShowTip(int32_t tag);
    // Clears the help line.
    void HideTip();
    gui::TLabel *tipLine() const { return tipText_; }
    gui::TDIBContainer *aboutBox() const { return aboutBox_; }
    gui::TDIBImage *aboutBoxToggler() const { return aboutBoxToggler_; }
    gui::TDIBImage *midiSwitch() const { return toggleMidi_; }
    gui::TDIBImage *transportSwitch() const { return toggleTransport_; }
    gui::TDIBImage *initButton(int32_t e) const { return initButtons_[static_cast<size_t>(e)]; }
    gui::TDIBImage *randomiseButton(int32_t e) const {
        return randomiseButtons_[static_cast<size_t>(e)];
    }

private:
    void ToggleAboutBox(int32_t x, int32_t y);
    void ToggleTransport(gui::TMouseButton button);
    void ToggleMIDI(gui::TMouseButton button);
    void InitEffect(gui::TDIBImage &sender, gui::TMouseButton button);
    void RandomiseEffect(gui::TDIBImage &sender, gui::TMouseButton button);
    void addCredits();

public:
    // --- end of help line ---

    // For tests and tools.
    gui::TScene &scene() { return scene_; }
    gui::TWindowBackend &window() { return *window_; }
    bool isReady() const { return isReady_; }
    gui::TDIBKnob *knob(int32_t tag) const;
    gui::TLabel *display(int32_t tag) const;
    gui::TLabel *noteDisplay() const { return noteDisplay_; }
    gui::TDIBImage *stepImage(int32_t i) const { return steps_[static_cast<size_t>(i & 63)]; }
    gui::TDIBImage *filterType(int32_t i) const { return filterTypes_[static_cast<size_t>(i)]; }
    gui::TDIBImage *filterMode(int32_t i) const { return filterModes_[static_cast<size_t>(i)]; }
    gui::TDIBImage *soloSwitch(int32_t e) const { return solo_[static_cast<size_t>(e)]; }
    gui::TDIBImage *globalSwitch(int32_t e) const { return global_[static_cast<size_t>(e)]; }
    gui::TDIBImage *clippingIcon() const { return clippingIcon_; }
    gui::TDIBImage *seqPosMarker() const { return seqPosMarker_; }
    gui::TDIBImage *patternMarker() const { return patternMarker_; }
    gui::TDIBImage *learnMarker(int32_t i) const { return learnMarkers_[static_cast<size_t>(i)]; }
    gui::TDIBKnob *lengthKnob() const { return seqLength_; }

private:
    enum class Rule : uint8_t {
        None,
        Generic,
        Frequency,
        SignedChange,
        SliceSize,
        ReverseMode,
        BitDepth,
        DelaySize,
        Separation,
    };
    // How the value of one control tag is shown.
    struct DisplayRecord {
        gui::TDIBKnob *knob = nullptr;
        gui::TLabel *label = nullptr;
        float min = 0.0f;
        float max = 100.0f;
        std::string suffix = " %";
        int32_t mode = 1;
        Rule rule = Rule::None;
    };

    void buildLayout();
    // Attach the handlers of the sequencer area, and of the help line, about box, header switches
    // and effect buttons, to the controls built by buildLayout.
    void wirePatternEditing();
    void wireHelpAndHeader();
    gui::TDIBKnob &addKnob(int32_t strip, int32_t left, int32_t top, int32_t tag,
                           int32_t max = 360);
    gui::TLabel &addLabel(int32_t left, int32_t top, int32_t width, const std::string &text,
                          uint32_t colour);
    gui::TDIBImage &addImage(const gui::TImageList &list, int32_t index, int32_t left, int32_t top,
                             int32_t width, int32_t height, int32_t tag = 0);
    void setUpDisplays();

    // Handlers.
    void knobChange(gui::TDIBKnob &sender);
    void KnobClick(gui::TDIBKnob &sender, gui::TMouseButton button);
    void KnobSetDefault(gui::TDIBKnob &sender);
    void formatDisplay(int32_t tag);
    void SetFilterType(gui::TDIBImage &sender, gui::TMouseButton button, int32_t x);
    void SetFilterRes(gui::TDIBImage &sender, gui::TMouseButton button);
    void SetClippingMode(gui::TMouseButton button);
    void soloEffect(gui::TDIBImage &sender, gui::TMouseButton button);
    void setMasterEffect(gui::TDIBImage &sender, gui::TMouseButton button);
    // Arms MIDI learn for `tag` showing `marker` at (left, top), or disarms it when armed.
    void armLearn(int32_t tag, gui::TDIBImage *marker, int32_t left, int32_t top);

    bool connected() const { return isReady_ && plugin_ != nullptr; }

    std::unique_ptr<gui::TWindowBackend> window_;
    gui::TScene scene_;
    state::APlugin *plugin_ = nullptr;
    bool isReady_ = false;
    bool isRefreshing_ = false;
    bool sequencerFree_ = true;

    std::array<DisplayRecord, 128> records_{};
    std::vector<gui::TDIBKnob *> knobs_; // every tagged knob, in layout order
    std::array<gui::TDIBImage *, 10> filterTypes_{};
    std::array<gui::TDIBImage *, 10> filterModes_{};
    std::array<gui::TDIBImage *, 9> solo_{};
    std::array<gui::TDIBImage *, 9> global_{};
    std::array<gui::TDIBImage *, 64> steps_{};
    // midi_learn, midi_learn_small, midi_learn_prob, midi_learn_solo, midi_learn_ft,
    // midi_learn_fxinit, midi_learn_fxrand, midi_learn_patnum
    std::array<gui::TDIBImage *, 8> learnMarkers_{};
    gui::TDIBKnob *seqLength_ = nullptr;
    gui::TDIBImage *clippingIcon_ = nullptr;
    gui::TDIBImage *toggleMidi_ = nullptr;
    gui::TDIBImage *toggleTransport_ = nullptr;
    gui::TDIBImage *chosenEffectHit_ = nullptr;
    gui::TDIBImage *chosenEffectMarker_ = nullptr;
    gui::TDIBImage *patternMarker_ = nullptr;
    gui::TDIBImage *seqPosMarker_ = nullptr;
    gui::TLabel *noteDisplay_ = nullptr;
    gui::TLabel *versionText_ = nullptr;
    gui::TLabel *tipText_ = nullptr;
    gui::TDIBImage *randomiseButton_ = nullptr;
    gui::TDIBImage *templatesButton_ = nullptr;
    gui::TDIBImage *patternBankHit_ = nullptr;
    gui::TDIBImage *seqHitDetect_ = nullptr;
    gui::TDIBImage *seqShift_ = nullptr;
    gui::TDIBImage *aboutBoxToggler_ = nullptr;
    gui::TDIBContainer *aboutBox_ = nullptr;
    std::array<gui::TDIBImage *, 9> columnHeaders_{};
    std::array<gui::TDIBImage *, 9> columnTags_{};
    std::array<gui::TDIBImage *, 9> initButtons_{};
    std::array<gui::TDIBImage *, 9> randomiseButtons_{};

    // --- pattern editing state ---
    int32_t lastPressedStep_ = -1;
    // --- help line state ---
    bool tipVisible_ = true;
    int32_t lastTipTag_ = -1;
};

// The form class the plug-in hands its template: an 844 × 626 editor in the host's window.
const host::FormClass &EditorFormClass();

} // namespace frakle::editor
