// The sequencer area's handlers: choosing the effect, painting steps, the step count, shifting,
// templates, the pattern bank and the pattern randomiser.
#include "editor/uEditor.h"

#include "state/uPlugin.h"

#include <algorithm>

namespace frakle::editor {

namespace {

using gui::TControl;
using gui::TDIBImage;
using gui::TMouseButton;
using gui::TShiftState;

constexpr int32_t kCell = 20;      // chosen-effect, template, bank, randomiser cells
constexpr int32_t kStepWidth = 12; // one step of the step area
constexpr int32_t kTagChosenEffect = 1001;
constexpr int32_t kTagFirstColumn = 4001;  // column e's header and tag hit areas: 4001 + e
constexpr int32_t kTagPatternNumber = 181; // learn tag of "Pattern"
constexpr int32_t kPatternParameter = 2;
constexpr int32_t kCodeTie = 0;
constexpr int32_t kCodeOff = 11;
constexpr size_t kLearnPatNum = 7;

// The cell under x for cells `size` pixels wide; left of the control counts from -1 down.
int32_t cellAt(int32_t x, int32_t size) { return x >= 0 ? x / size : (x - size + 1) / size; }

} // namespace

void TPluginEditorWindow::wirePatternEditing() {
    const auto chooser = [this](TDIBImage *hit) {
        hit->onMouseDown = [this, hit](TControl &, TMouseButton b, TShiftState, int32_t x,
                                       int32_t) { SetChosenEffect(*hit, b, x); };
    };
    chooser(chosenEffectHit_);
    for (size_t e = 0; e < columnHeaders_.size(); ++e) {
        chooser(columnHeaders_[e]);
        chooser(columnTags_[e]);
    }
    chosenEffectMarker_->onMouseDown = [this](TControl &, TMouseButton b, TShiftState, int32_t,
                                              int32_t) { SetChosenEffectFromMarker(b); };

    seqHitDetect_->onMouseDown = [this](TControl &, TMouseButton b, TShiftState, int32_t x,
                                        int32_t) { changeSeqPos(b, x); };
    seqHitDetect_->onMouseMove = [this](TControl &, TShiftState shift, int32_t x, int32_t) {
        FormMouseMove(shift, x);
    };
    seqLength_->onChange = [this](gui::TDIBKnob &) { ChangeSeqLength(); };
    seqLength_->onMouseDown = [this](TControl &, TMouseButton, TShiftState, int32_t x, int32_t) {
        ChangeSeqLengthStep(x);
    };
    seqShift_->onMouseDown = [this](TControl &, TMouseButton b, TShiftState, int32_t x, int32_t) {
        ShiftSequence(b, x);
    };
    templatesButton_->onMouseDown = [this](TControl &, TMouseButton b, TShiftState, int32_t x,
                                           int32_t) { SequencerLoadPreset(b, x); };
    patternBankHit_->onMouseDown = [this](TControl &, TMouseButton b, TShiftState, int32_t x,
                                          int32_t) { SequencerLoadPattern(b, x); };
    randomiseButton_->onMouseDown = [this](TControl &, TMouseButton b, TShiftState, int32_t x,
                                           int32_t) { seqRandomise(b, x); };

    // The pattern-number learn overlay is wider and taller than the bank. Like every learn
    // marker it passes a press on to what lies below it: a bank cell, or, around the bank, the
    // background, which then arms the learn.
    TControl &background = *scene_.root().children().front();
    background.onMouseDown = [this](TControl &self, TMouseButton b, TShiftState, int32_t x,
                                    int32_t y) {
        const gui::TRect at = self.absoluteRect();
        if (learnMarkers_[kLearnPatNum]->absoluteRect().contains(at.x + x, at.y + y)) {
            MidiLearnPatNum(b);
        }
    };
}

// --- the chosen effect ---------------------------------------------------------------------

void TPluginEditorWindow::SetChosenEffect(TDIBImage &sender, TMouseButton button, int32_t x) {
    if (!connected() || button != TMouseButton::Left) {
        return;
    }
    int32_t k = 0;
    if (sender.tag == kTagChosenEffect) {
        k = std::clamp(cellAt(x, kCell), 0, 10); // random, the nine effects, blank
    } else if (sender.tag >= kTagFirstColumn && sender.tag < kTagFirstColumn + 9) {
        k = sender.tag - (kTagFirstColumn - 1);
    }
    chosenEffectMarker_->moveTo(chosenEffectHit_->left() + kCell * k, chosenEffectMarker_->top());
    plugin_->StoreChosenEffect(k);
}

void TPluginEditorWindow::SetChosenEffectFromMarker(TMouseButton button) {
    if (!connected() || button != TMouseButton::Left) {
        return;
    }
    plugin_->StoreChosenEffect(
        cellAt(chosenEffectMarker_->left() - chosenEffectHit_->left(), kCell));
}

// --- the step area -------------------------------------------------------------------------

void TPluginEditorWindow::changeSeqPos(TMouseButton button, int32_t x) {
    if (!connected()) {
        return;
    }
    const int32_t i = cellAt(x, kStepWidth);
    lastPressedStep_ = i;
    if (i < 0 || i >= plugin_->GetLength()) {
        return; // steps not in use are not edited
    }
    switch (button) {
    case TMouseButton::Left:
        plugin_->SetStep(i, plugin_->GetChosenEffect());
        break;
    case TMouseButton::Right:
        plugin_->SetStep(i, kCodeTie); // the step joins the event before it
        break;
    case TMouseButton::Middle:
        plugin_->SetStep(i, kCodeOff);
        break;
    }
}

// The step where the press began is left alone, so a drag paints what it passes beyond it; a
// step passed twice is painted twice.
void TPluginEditorWindow::FormMouseMove(TShiftState shift, int32_t x) {
    if (!connected() || !shift.anyButton()) {
        return;
    }
    int32_t i = cellAt(x, kStepWidth);
    if (i == lastPressedStep_) {
        return;
    }
    i = std::max(i, 0);
    if (i >= plugin_->GetLength()) {
        return;
    }
    if (shift.left) {
        plugin_->SetStep(i, plugin_->GetChosenEffect());
    } else if (shift.middle) {
        plugin_->SetStep(i, kCodeOff);
    } else {
        plugin_->SetStep(i, kCodeTie);
    }
}

// --- step count and shifting ---------------------------------------------------------------

void TPluginEditorWindow::ChangeSeqLength() {
    if (!connected()) {
        return;
    }
    const int32_t n = std::clamp(seqLength_->position(), 4, 64);
    if (n != plugin_->GetLength()) {
        plugin_->SetLength(n);
    }
}

// Any press steps the count by one, up on the right half and down on the left; a left press
// goes on as a drag of the knob.
void TPluginEditorWindow::ChangeSeqLengthStep(int32_t x) {
    if (!connected()) {
        return;
    }
    const int32_t count = plugin_->GetLength();
    const int32_t n = std::clamp(x > kCell ? count + 1 : count - 1, 4, 64);
    if (n != count) {
        plugin_->SetLength(n);
        seqLength_->setPosition(n);
    }
}

void TPluginEditorWindow::ShiftSequence(TMouseButton button, int32_t x) {
    if (connected() && button == TMouseButton::Left) {
        plugin_->ShiftPattern(x < kCell ? 1 : -1);
    }
}

// --- templates, bank and randomiser --------------------------------------------------------

void TPluginEditorWindow::SequencerLoadPreset(TMouseButton button, int32_t x) {
    if (connected() && button == TMouseButton::Left) {
        plugin_->LoadTemplate(std::clamp(cellAt(x, kCell), 0, 3));
    }
}

void TPluginEditorWindow::SequencerLoadPattern(TMouseButton button, int32_t x) {
    if (!connected()) {
        return;
    }
    const int32_t p = std::clamp(cellAt(x, kCell), 0, 15);
    if (p == plugin_->GetPattern()) {
        return;
    }
    if (button == TMouseButton::Left) {
        // floor(value × 15) of the "Pattern" parameter gives p back.
        plugin_->setParameterAutomated(kPatternParameter, static_cast<float>(p + 1) / 16.0f);
    } else if (button == TMouseButton::Right) {
        plugin_->CopyPatternTo(p);
    }
}

void TPluginEditorWindow::seqRandomise(TMouseButton button, int32_t x) {
    if (connected() && button == TMouseButton::Left) {
        // "Steps", "FX" and "Both", two cells each.
        plugin_->RandomisePattern(x < 2 * kCell ? 1 : (x < 4 * kCell ? 2 : 3));
    }
}

void TPluginEditorWindow::MidiLearnPatNum(TMouseButton button) {
    if (!connected() || button != TMouseButton::Right) {
        return;
    }
    armLearn(kTagPatternNumber, nullptr, 0, 0);
    if (plugin_->GetMidiLearnTarget() == kTagPatternNumber) {
        learnMarkers_[kLearnPatNum]->setOpacity(255); // shown in place over the bank
    }
}

} // namespace frakle::editor
