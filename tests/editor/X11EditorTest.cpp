// The editor in real X11 windows, through the binary interface as a host opens it: open twice,
// close twice, reopen, and a host that destroys its window before closing the editor.
// Needs a display (the test runs under with_xvfb.sh); skipped without one.
#include "tools/testhost/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

// Xlib last: its macros (None, Bool, Status …) would clash with the test framework.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace frakle::editor {
namespace {

class X11Editor : public ::testing::Test {
protected:
    void SetUp() override {
        // One connection for the whole run: the server resets when its last client leaves, and
        // a connection asked for during the reset is refused.
        static Display *const display =
            std::getenv("DISPLAY") != nullptr ? XOpenDisplay(nullptr) : nullptr;
        if ((display_ = display) == nullptr) {
            GTEST_SKIP() << "no X display";
        }
    }
    Window makeParent() {
        const Window w =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 844, 626, 0, 0, 0);
        XMapWindow(display_, w);
        XSync(display_, False);
        return w;
    }

    // A host window with the editor open in it, idled once.
    Window openIn(tools::TestHost &host) {
        const Window parent = makeParent();
        EXPECT_EQ(host.openEditor(parent), 1);
        host.idleEditor();
        return parent;
    }
    // The editor's windows inside the host's.
    std::vector<Window> editorsIn(Window parent) {
        XSync(display_, False);
        Window root = 0, up = 0, *children = nullptr;
        unsigned int count = 0;
        XQueryTree(display_, parent, &root, &up, &children, &count);
        std::vector<Window> found(children, children + count);
        XFree(children);
        return found;
    }
    // A click as the X server delivers it, at (x, y) in the editor.
    void click(Window editor, int x, int y, unsigned int button) {
        XEvent event{};
        event.xbutton = {ButtonPress, 0, False, display_, editor, 0,      0,   0,
                         x,           y, 0,     0,        0,      button, True};
        XSendEvent(display_, editor, False, ButtonPressMask, &event);
        event.xbutton.type = ButtonRelease;
        XSendEvent(display_, editor, False, ButtonReleaseMask, &event);
        XSync(display_, False);
    }
    std::vector<unsigned long> pixels(Window editor, int x, int y, int w, int h) {
        XImage *image = XGetImage(display_, editor, x, y, static_cast<unsigned>(w),
                                  static_cast<unsigned>(h), AllPlanes, ZPixmap);
        std::vector<unsigned long> out;
        for (int i = 0; image != nullptr && i < w * h; ++i) {
            out.push_back(XGetPixel(image, i % w, i / w));
        }
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return out;
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
        EXPECT_EQ(editorsIn(parent).size(), 1u) << "one editor window inside the host's";
        host.closeEditor();
        host.idleEditor();
        host.closeEditor();
    }
    XDestroyWindow(display_, parent);
}

TEST_F(X11Editor, AHostThatDestroysItsWindowFirstSurvives) {
    tools::TestHost host(FRAKLE_PLUGIN_PATH);
    host.open();
    XDestroyWindow(display_, openIn(host));
    XSync(display_, False);
    for (int i = 0; i < 5; ++i) {
        host.idleEditor();
    }
    host.closeEditor();
    // And a parent that never existed.
    EXPECT_EQ(host.openEditor(0x7fffff0), 1);
    host.idleEditor();
    host.closeEditor();
}

TEST_F(X11Editor, RightClickLearnsAControllerThatThenMovesTheKnob) {
    tools::TestHost host(FRAKLE_PLUGIN_PATH);
    host.open();
    const Window parent = openIn(host);
    ASSERT_EQ(editorsIn(parent).size(), 1u);
    const Window editor = editorsIn(parent)[0];
    // The retrigger's "Speed" knob (193, 285; 39 × 39).
    const auto before = pixels(editor, 193, 285, 39, 39);
    click(editor, 212, 304, 3);
    host.idleEditor();
    host.sendMidi(std::vector<tools::MidiMessage>{{0, {0xB0, 20, 127}}});
    host.idleEditor();
    host.idleEditor();
    XSync(display_, False);
    EXPECT_NE(pixels(editor, 193, 285, 39, 39), before) << "the knob turned to its new value";
    EXPECT_EQ(host.getParameter(6), 1.0f);
    const auto chunk = host.getChunk(tools::ChunkKind::Preset);
    int16_t bound = 0;
    std::memcpy(&bound, chunk.data() + 1976 + 2 * 20, 2);
    EXPECT_EQ(bound, 6) << "CC 20 drives \"RetrgSpd\" in the saved program";
    host.closeEditor();
    XDestroyWindow(display_, parent);
}

TEST_F(X11Editor, APatternPaintedWithTheMouseIsHeard) {
    const auto render = [this](bool paint) {
        tools::TestHost host(FRAKLE_PLUGIN_PATH);
        host.open();
        host.setParameter(2, 7.0f / 15.0f); // pattern 8: an event every third step
        const Window parent = openIn(host);
        if (paint) {
            const Window editor = editorsIn(parent).at(0);
            click(editor, 10 + 6 * 20 + 5, 135, 1); // choose the crusher (cell 6)
            host.idleEditor();
            for (int step : {1, 2, 4, 5}) { // paint it over ties
                click(editor, 11 + 12 * step + 5, 170, 1);
                host.idleEditor();
            }
        }
        host.closeEditor();
        XDestroyWindow(display_, parent);
        host.setParameter(9, 1.0f); // a crusher you can hear: the longest hold
        host.timeline().playing = true;
        tools::StereoSignal in;
        for (int i = 0; i < 8 * 5512; ++i) {
            in.left.push_back(0.5f * std::sin(0.05f * static_cast<float>(i)));
        }
        in.right = in.left;
        return host.processSignal(in, 512);
    };
    const auto plain = render(false);
    const auto painted = render(true);
    for (const long step : {1, 2, 4}) {
        EXPECT_FALSE(std::equal(plain.left.begin() + step * 5512 + 300,
                                plain.left.begin() + (step + 1) * 5512,
                                painted.left.begin() + step * 5512 + 300))
            << "step " << step;
    }
}

} // namespace
} // namespace frakle::editor
