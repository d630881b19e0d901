// The editor in real X11 windows, through the binary interface as a host opens it: open twice,
// close twice, reopen, and a host that destroys its window before closing the editor.
// Needs a display (the test runs under with_xvfb.sh); skipped without one.
#include "tools/testhost/TestHost.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Xlib last: its macros (None, Bool, Status …) would clash with the test framework.
#include <X11/Xlib.h>

namespace frakle::editor {
namespace {

class X11Editor : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || (display_ = XOpenDisplay(nullptr)) == nullptr) {
            GTEST_SKIP() << "no X display";
        }
    }
    void TearDown() override {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    Window makeParent() {
        const Window w =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 844, 626, 0, 0, 0);
        XMapWindow(display_, w);
        XSync(display_, False);
        return w;
    }

    Display *display_ = nullptr;
};

TEST_F(X11Editor, OpensOnceClosesOnTheLastCloseAndReopens) {
    tools::TestHost host(FRAKLE_PLUGIN_PATH);
    host.open();
    const Window parent = makeParent();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(host.openEditor(parent), 1);
        EXPECT_EQ(host.openEditor(parent), 1);
        for (int i = 0; i < 5; ++i) {
            host.idleEditor();
        }
        Window root = 0, up = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        XQueryTree(display_, parent, &root, &up, &children, &count);
        EXPECT_EQ(count, 1u) << "one editor window inside the host's";
        XFree(children);
        host.closeEditor();
        host.idleEditor();
        host.closeEditor();
    }
    XDestroyWindow(display_, parent);
}

TEST_F(X11Editor, AHostThatDestroysItsWindowFirstSurvives) {
    tools::TestHost host(FRAKLE_PLUGIN_PATH);
    host.open();
    const Window parent = makeParent();
    ASSERT_EQ(host.openEditor(parent), 1);
    host.idleEditor();
    XDestroyWindow(display_, parent);
    XSync(display_, False);
    for (int i = 0; i < 5; ++i) {
        host.idleEditor();
    }
    host.closeEditor();
    // And a parent that never existed.
    EXPECT_EQ(host.openEditor(0x7fffff0), 1);
    host.idleEditor();
    host.closeEditor();
    SUCCEED();
}

} // namespace
} // namespace frakle::editor
