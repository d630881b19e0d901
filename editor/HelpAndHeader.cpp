// The help line, the about box, the header's MIDI and transport switches and the effects' init
// and randomise buttons.
#include "editor/HelpTexts.h"
#include "editor/Skin.h"
#include "editor/uEditor.h"
#include "state/uPlugin.h"

#include <algorithm>

namespace frakle::editor {

namespace {

using gui::TControl;
using gui::TDIBImage;
using gui::TMouseButton;
using gui::TShiftState;

// Learn marker slots of the init and randomise buttons.
constexpr size_t kMarkerFxInit = 5;
constexpr size_t kMarkerFxRand = 6;

constexpr int32_t kFirstRandomiseButton = 2000;
constexpr int32_t kFirstInitButton = 2050;
constexpr int32_t kFirstRandFxTag = 401;
constexpr int32_t kFirstInitFxTag = 501;

// Where the about box sits while shown, and while hidden outside the window.
constexpr int32_t kAboutShownLeft = 170;
constexpr int32_t kAboutHiddenLeft = 1000;

template <class T> bool holds(const T &controls, const TControl *control) {
    return std::find(controls.begin(), controls.end(), control) != controls.end();
}

// The topmost showing control under (x, y) that lies below `above` in the window, leaving out the
// background; null when there is none. Looks without hiding `above`, which would repaint it.
TControl *controlBelow(gui::TDIBContainer &root, const TControl &above, int32_t x, int32_t y) {
    const auto &children = root.children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        TControl *control = it->get();
        if (control == &above || control == children.front().get() || !control->isShowing() ||
            !control->absoluteRect().contains(x, y)) {
            continue;
        }
        if (auto *container = dynamic_cast<gui::TDIBContainer *>(control)) {
            return container->controlAt(x, y);
        }
        return control;
    }
    return nullptr;
}

} // namespace

void TPluginEditorWindow::wireHelpAndHeader() {
    const auto &children = scene_.root().children();
    const TControl *background = children.front().get();
    children.front()->onMouseMove = [this](TControl &, TShiftState, int32_t, int32_t) {
        HideTip();
    };
    for (const auto &child : children) {
        TControl *control = child.get();
        if (control == background || holds(steps_, control)) {
            continue; // a step image's tag is its step number, not a control tag
        }
        if (holds(learnMarkers_, control)) {
            // A marker lies over the control it marks: the mouse shows that control's text, or
            // the marker's own where nothing with a text lies below.
            control->onMouseMove = [this](TControl &self, TShiftState shift, int32_t x, int32_t y) {
                const gui::TRect r = self.absoluteRect();
                TControl *below = controlBelow(scene_.root(), self, r.x + x, r.y + y);
                if (below != nullptr && below->onMouseMove) {
                    const gui::TRect b = below->absoluteRect();
                    below->onMouseMove(*below, shift, r.x + x - b.x, r.y + y - b.y);
                } else if (!HelpText(self.tag).empty()) {
                    ShowTip(self.tag);
                }
            };
            continue;
        }
        int32_t tip = control->tag;
        if (holds(solo_, control)) {
            tip = kTipSolo;
        } else if (holds(global_, control)) {
            tip = kTipGlobal;
        } else if (HelpText(tip).empty()) {
            continue;
        }
        // Keep whatever the control already does with the mouse; the line changes first.
        TControl::TMouseMoveEvent previous = std::move(control->onMouseMove);
        control->onMouseMove = [this, tip, previous = std::move(previous)](
                                   TControl &self, TShiftState shift, int32_t x, int32_t y) {
            ShowTip(tip);
            if (previous) {
                previous(self, shift, x, y);
            }
        };
    }

    aboutBoxToggler_->onMouseDown = [this](TControl &, TMouseButton, TShiftState, int32_t x,
                                           int32_t y) { ToggleAboutBox(x, y); };
    addCredits();
    toggleTransport_->onMouseDown = [this](TControl &, TMouseButton button, TShiftState, int32_t,
                                           int32_t) { ToggleTransport(button); };
    toggleMidi_->onMouseDown = [this](TControl &, TMouseButton button, TShiftState, int32_t,
                                      int32_t) { ToggleMIDI(button); };
    for (TDIBImage *button : initButtons_) {
        button->onMouseDown = [this, button](TControl &, TMouseButton b, TShiftState, int32_t,
                                             int32_t) { InitEffect(*button, b); };
    }
    for (TDIBImage *button : randomiseButtons_) {
        button->onMouseDown = [this, button](TControl &, TMouseButton b, TShiftState, int32_t,
                                             int32_t) { RandomiseEffect(*button, b); };
    }
}

// Five centred lines: a title in the window's type, then four smaller grey ones.
void TPluginEditorWindow::addCredits() {
    constexpr int32_t kLeft = 135;
    constexpr int32_t kWidthPx = 400;
    const struct {
        int32_t top;
        const char *text;
    } lines[] = {
        {12, "Frakle - a real-time stereo beat slicer"},
        {35, "Nine effects, chosen step by step from a pattern of up to 64 steps."},
        {49, "Give each effect a probability and let the sequencer surprise you."},
        {63, "Right-click a control, then move a MIDI controller to bind it."},
        {77, "Click the logo again to close this box."},
    };
    bool first = true;
    for (const auto &line : lines) {
        gui::TLabel &label = aboutBox_->add<gui::TLabel>(kLeft, line.top, kWidthPx, 13);
        label.setCaption(line.text);
        label.setSizePx(11.0f);
        if (first) {
            label.setColour(kValueTextColour);
            label.setBold(true);
            first = false;
        } else {
            label.setColour(kCaptionTextColour);
        }
    }
}

// --- help line -----------------------------------------------------------------------------

void TPluginEditorWindow::ShowTip(int32_t tag) {
    if (!isReady_ || tag == lastTipTag_) {
        return;
    }
    lastTipTag_ = tag;
    tipVisible_ = true;
    tipText_->setCaption(HelpText(tag));
}

void TPluginEditorWindow::HideTip() {
    if (!isReady_ || !tipVisible_) {
        return;
    }
    tipVisible_ = false;
    lastTipTag_ = -1;
    tipText_->setCaption("");
}

// --- about box and header switches ---------------------------------------------------------

void TPluginEditorWindow::ToggleAboutBox(int32_t x, int32_t y) {
    if (!isReady_ || x >= 170 || y >= 70) {
        return;
    }
    const bool hidden = aboutBox_->left() >= 900;
    aboutBox_->moveTo(hidden ? kAboutShownLeft : kAboutHiddenLeft, aboutBox_->top());
}

void TPluginEditorWindow::ToggleTransport(TMouseButton button) {
    if (!connected() || button != TMouseButton::Left) {
        return;
    }
    const bool ignore = !plugin_->GetIgnoreTransport();
    plugin_->SetIgnoreTransport(ignore);
    toggleTransport_->setIndex(ignore ? kFmTransportEnable : kFmTransportDisable);
}

void TPluginEditorWindow::ToggleMIDI(TMouseButton button) {
    if (!connected() || button != TMouseButton::Left) {
        return;
    }
    const bool on = !plugin_->GetMidiEnabled();
    plugin_->SetMidiEnabled(on);
    toggleMidi_->setIndex(on ? kFmMidiDisable : kFmMidiEnable);
}

// --- effect buttons ------------------------------------------------------------------------

void TPluginEditorWindow::InitEffect(TDIBImage &sender, TMouseButton button) {
    const int32_t e = sender.tag - kFirstInitButton;
    if (!connected() || e < 0 || e > 8) {
        return;
    }
    if (button == TMouseButton::Left) {
        plugin_->InitialiseEffectParameters(e); // the knobs follow at the next idle call
    } else {
        armLearn(kFirstInitFxTag + e, learnMarkers_[kMarkerFxInit], sender.left() - 16,
                 sender.top() - 2);
    }
}

void TPluginEditorWindow::RandomiseEffect(TDIBImage &sender, TMouseButton button) {
    const int32_t e = sender.tag - kFirstRandomiseButton;
    if (!connected() || e < 0 || e > 8) {
        return;
    }
    if (button == TMouseButton::Left) {
        plugin_->RandomiseEffectParameters(e);
    } else {
        armLearn(kFirstRandFxTag + e, learnMarkers_[kMarkerFxRand], sender.left() - 2,
                 sender.top() - 2);
    }
}

} // namespace frakle::editor
