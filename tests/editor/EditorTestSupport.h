// The editor form on a headless window, connected to a plug-in whose host records automation,
// driven the way a user drives it.
#pragma once

#include "editor/uEditor.h"
#include "gui/HeadlessWindow.h"
#include "state/ParameterTable.h"
#include "state/uPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace frakle::editor::test {

using gui::TMouseButton;

struct Sent {
    int32_t index;
    float value;
};

inline std::vector<Sent> &sent() {
    static std::vector<Sent> list;
    return list;
}

inline bool wasAutomated(int32_t index) {
    return std::any_of(sent().begin(), sent().end(),
                       [&](const Sent &s) { return s.index == index; });
}

inline intptr_t recordingHost(vst2::AEffect *, int32_t opcode, int32_t index, intptr_t, void *,
                              float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        sent().push_back({index, opt});
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// Tenth of a second 1000 of 1 January 1970, for the randomisers.
inline double fixedClock() { return 25569.0 + 1000.0 / 864000.0; }

class EditorFixture : public ::testing::Test {
protected:
    EditorFixture() : plugin_(&recordingHost) { plugin_.setWallClock(fixedClock); }

    // Opens the editor the way the wrapper does: a window, then the plug-in.
    void open() {
        auto window = std::make_unique<gui::THeadlessWindow>(844, 626);
        window_ = window.get();
        form_ = std::make_unique<TPluginEditorWindow>(std::move(window));
        form_->connect(&plugin_);
        sent().clear();
    }
    // A click at a point of the window, or of a control.
    void clickAt(TMouseButton button, int32_t x, int32_t y) {
        window_->mouseDown(button, x, y);
        window_->mouseUp(button, x, y);
        form_->idle();
    }
    void click(const gui::TControl *control, TMouseButton button, int32_t dx = 1, int32_t dy = 1) {
        const gui::TRect r = control->absoluteRect();
        clickAt(button, r.x + dx, r.y + dy);
    }
    // The pointer moves to a point of the window, or of a control.
    void point(int32_t x, int32_t y) {
        window_->mouseMove(x, y);
        form_->idle();
    }
    void hover(const gui::TControl *control, int32_t dx = 2, int32_t dy = 2) {
        const gui::TRect r = control->absoluteRect();
        point(r.x + dx, r.y + dy);
    }
    std::string text(int32_t tag) { return form_->display(tag)->caption(); }
    float record(int32_t index) {
        return state::FloatAt(plugin_.record(),
                              state::kParamTable[static_cast<size_t>(index)].recordOffset);
    }

    state::APlugin plugin_;
    gui::THeadlessWindow *window_ = nullptr;
    std::unique_ptr<TPluginEditorWindow> form_;
};

} // namespace frakle::editor::test
