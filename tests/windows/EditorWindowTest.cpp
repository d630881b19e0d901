// The editor in real native windows, through the binary interface as a Windows host opens it:
// the host's window made by gui/'s window layer (Win32 here), the editor opened in it twice,
// closed twice and reopened, a host that destroys its window before closing the editor, one
// that names no window at all, and one that closes the plug-in with the editor open. Main
// thread only, as a host's UI thread; run through Wine on a private X display.
#include "gui/Scene.h"
#include "gui/Window.h"
#include "tools/testhost/TestHost.h"

#include <gtest/gtest.h>

#include <memory>

namespace frakle::windows_tests {
namespace {

class EditorWindow : public ::testing::Test {
protected:
    EditorWindow() : host_(FRAKLE_PLUGIN_PATH) { host_.open(); }

    // The host's window, and its idle: its own messages, then the editor's idle.
    std::unique_ptr<gui::TWindowBackend> makeParent() {
        auto parent = gui::openNativeWindow(0, 844, 626, "host");
        EXPECT_TRUE(parent->isOpen());
        return parent;
    }
    void idle(gui::TWindowBackend *parent, int times = 5) {
        for (int i = 0; i < times; ++i) {
            if (parent != nullptr) {
                parent->pumpEvents(scene_);
            }
            host_.idleEditor();
        }
    }

    tools::TestHost host_;
    gui::TScene scene_{844, 626}; // the host's window shows nothing of its own
};

TEST_F(EditorWindow, OpensOnceClosesOnTheLastCloseAndReopens) {
    const auto parent = makeParent();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(host_.openEditor(parent->nativeHandle()), 1);
        EXPECT_EQ(host_.openEditor(parent->nativeHandle()), 1);
        idle(parent.get());
        host_.closeEditor();
        idle(parent.get());
        host_.closeEditor();
    }
    EXPECT_TRUE(parent->isOpen());
}

TEST_F(EditorWindow, AHostThatDestroysItsWindowFirstSurvives) {
    auto parent = makeParent();
    ASSERT_EQ(host_.openEditor(parent->nativeHandle()), 1);
    idle(parent.get());
    parent.reset(); // the editor's window goes with it
    idle(nullptr);
    host_.closeEditor();
    // And a window that never existed: the editor runs headless.
    EXPECT_EQ(host_.openEditor(0x7fffff0), 1);
    idle(nullptr);
    host_.closeEditor();
}

TEST_F(EditorWindow, ClosingThePlugInWithTheEditorOpen) {
    const auto parent = makeParent();
    ASSERT_EQ(host_.openEditor(parent->nativeHandle()), 1);
    idle(parent.get());
    host_.close();
    EXPECT_TRUE(host_.closed());
    parent->pumpEvents(scene_); // whatever the editor's window left behind for the host
    EXPECT_TRUE(parent->isOpen());
}

} // namespace
} // namespace frakle::windows_tests
