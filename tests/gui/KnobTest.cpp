// The filmstrip knob driven as a user drives it, through a headless window: drags with the cursor
// hidden and held in place, buttons, keys, the wheel and the frame it draws. (Horizontal knobs
// and the middle-click reset are driven in the editor tests.)
#include "tests/gui/HeadlessScene.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace frakle::gui::test {
namespace {

struct KnobTest : ::testing::Test {
    HeadlessScene ui;
    TImageList knobs;
    std::vector<int32_t> changes; // position after each onChange

    KnobTest() {
        knobs.images.push_back(filmstrip(180, 39, 39));
        knobs.images.push_back(filmstrip(101, 28, 18));
        knobs.images.push_back(solid(40, 20, Rgb(200, 200, 200)));
    }

    TDIBKnob &addKnob(int32_t left, int32_t top, int32_t size, int32_t max, int32_t image = 0) {
        TDIBKnob &knob = ui.scene.root().add<TDIBKnob>(left, top, size, size);
        knob.setImages(&knobs, image);
        knob.setMax(max);
        knob.onChange = [this](TDIBKnob &k) { changes.push_back(k.position()); };
        return knob;
    }
};

TEST_F(KnobTest, DragUpNinetyPixelsTurnsOneStepPerPixelWithTheCursorHeld) {
    TDIBKnob &knob = addKnob(189, 36, 39, 360);
    ui.idle();
    const TPoint grab{200, 50};
    ui.window.mouseDown(TMouseButton::Left, grab.x, grab.y);
    ui.idle();
    EXPECT_TRUE(ui.window.cursorHidden());
    EXPECT_EQ(ui.window.warpCount(), 0);

    for (int32_t i = 1; i <= 90; ++i) {
        ui.window.mouseMoveBy(0, -1);
        ui.idle();
        ASSERT_EQ(knob.position(), i);
        ASSERT_TRUE(ui.window.cursorHidden());
        ASSERT_EQ(ui.window.cursorInWindow(), grab); // put back after every move
        ASSERT_EQ(ui.window.warpCount(), i);
    }
    EXPECT_EQ(changes.size(), 90u);

    ui.window.mouseMoveBy(25, 0); // sideways does nothing to a vertical knob
    ui.window.mouseUp(TMouseButton::Left);
    ui.idle();
    EXPECT_EQ(knob.position(), 90);
    EXPECT_FALSE(ui.window.cursorHidden());
    EXPECT_EQ(ui.window.cursorInWindow(), grab);
    EXPECT_FALSE(knob.isDragging());
    EXPECT_EQ(frameOf(ui.pixel(200, 50)), 90 * 180 / 361);

    // With the button up, moving is only moving.
    ui.window.mouseMoveBy(0, -40);
    ui.idle();
    EXPECT_EQ(knob.position(), 90);
}

TEST_F(KnobTest, DraggingPastEitherEndClampsAndRaisesNothingMore) {
    TDIBKnob &knob = addKnob(189, 36, 39, 360);
    ui.window.mouseDown(TMouseButton::Left, 200, 50);
    ui.window.mouseMoveBy(0, -500);
    ui.window.mouseMoveBy(0, -30);
    ui.idle();
    EXPECT_EQ(knob.position(), 360);
    EXPECT_EQ(changes, (std::vector<int32_t>{360}));
    EXPECT_EQ(frameOf(ui.pixel(200, 50)), 179);

    ui.window.mouseMoveBy(0, 10);
    ui.window.mouseMoveBy(0, 1000);
    ui.window.mouseUp(TMouseButton::Left);
    ui.idle();
    EXPECT_EQ(changes, (std::vector<int32_t>{360, 350, 0}));
    EXPECT_EQ(frameOf(ui.pixel(200, 50)), 0);
}

TEST_F(KnobTest, OnlyTheLeftButtonDragsButEveryButtonIsReported) {
    TDIBKnob &knob = addKnob(189, 36, 39, 360);
    knob.setPosition(100);
    changes.clear();
    using Click = std::tuple<TMouseButton, int32_t, int32_t, bool, bool, bool>; // + l, r, m held
    std::vector<Click> clicks;
    knob.onMouseDown = [&](TControl &sender, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
        EXPECT_EQ(&sender, &knob);
        clicks.emplace_back(b, x, y, s.left, s.right, s.middle);
    };

    for (TMouseButton b : {TMouseButton::Right, TMouseButton::Middle}) {
        ui.window.mouseDown(b, 195, 40);
        ui.window.mouseMoveBy(0, -20);
        ui.window.mouseUp(b);
        ui.idle();
        EXPECT_FALSE(ui.window.cursorHidden());
    }
    EXPECT_EQ(knob.position(), 100);
    EXPECT_EQ(ui.window.warpCount(), 0);

    ui.window.mouseDown(TMouseButton::Left, 190, 74);
    ui.window.mouseMoveBy(0, -5);
    ui.idle();
    EXPECT_EQ(knob.position(), 105);
    // A right click during a left drag is reported and leaves the drag going.
    ui.window.mouseDown(TMouseButton::Right, 190, 74);
    ui.window.mouseMoveBy(0, -5);
    ui.window.mouseUp(TMouseButton::Right);
    ui.window.mouseUp(TMouseButton::Left);
    ui.idle();
    EXPECT_EQ(knob.position(), 110);
    EXPECT_FALSE(ui.window.cursorHidden());

    // Points relative to the knob.
    EXPECT_EQ(clicks, (std::vector<Click>{{TMouseButton::Right, 6, 4, false, true, false},
                                          {TMouseButton::Middle, 6, 4, false, false, true},
                                          {TMouseButton::Left, 1, 38, true, false, false},
                                          {TMouseButton::Right, 1, 38, true, true, false}}));
}

TEST_F(KnobTest, KeysTurnTheKnobClickedLast) {
    TDIBKnob &first = addKnob(100, 100, 39, 360);
    TDIBKnob &second = addKnob(200, 100, 39, 360);
    ui.scene.root().add<TDIBImage>(300, 100, 50, 50); // not a knob: clicking it keeps the focus

    ui.window.key(TKey::Up); // nothing clicked yet
    ui.idle();
    EXPECT_TRUE(changes.empty());

    ui.window.mouseDown(TMouseButton::Left, 110, 110);
    ui.window.mouseUp(TMouseButton::Left);
    ui.window.mouseDown(TMouseButton::Right, 210, 110);
    ui.window.mouseUp(TMouseButton::Right);
    ui.window.mouseDown(TMouseButton::Left, 310, 110);
    ui.window.mouseUp(TMouseButton::Left);
    for (TKey k : {TKey::Up, TKey::Right, TKey::PageUp, TKey::PageUp, TKey::Down, TKey::Left,
                   TKey::PageDown}) {
        ui.window.key(k);
    }
    ui.idle();
    EXPECT_EQ(first.position(), 0);
    EXPECT_EQ(changes, (std::vector<int32_t>{1, 2, 7, 12, 11, 10, 5}));

    changes.clear();
    for (int i = 0; i < 3; ++i) {
        ui.window.key(TKey::PageDown);
    }
    ui.idle();
    EXPECT_EQ(second.position(), 0);
    EXPECT_EQ(changes, (std::vector<int32_t>{0}));
    // The wheel turns the knob under the pointer, whatever has the focus.
    for (const int32_t notches : {1, 1, -1}) {
        ui.window.wheel(210, 110, notches);
    }
    ui.window.wheel(400, 400, 1); // over nothing
    ui.idle();
    EXPECT_EQ(second.position(), 1);
    EXPECT_EQ(changes, (std::vector<int32_t>{0, 1, 2, 1}));
}

TEST_F(KnobTest, DrawsFrameOfPositionTimesFramesOverRange) {
    struct Case {
        int32_t image, min, max, position, frame;
    };
    const Case cases[] = {
        {0, 0, 360, 0, 0},     {0, 0, 360, 2, 0},     {0, 0, 360, 3, 1},     {0, 0, 360, 180, 89},
        {0, 0, 360, 358, 178}, {0, 0, 360, 359, 179}, {0, 0, 360, 360, 179}, {1, 0, 200, 0, 0},
        {1, 0, 200, 100, 50},  {1, 0, 200, 199, 99},  {1, 0, 200, 200, 100}, {0, 4, 64, 64, 177},
        {0, 4, 64, 4, 0},
    };
    for (const Case &c : cases) {
        TDIBKnob &knob = addKnob(10, 10, 39, c.max, c.image);
        knob.setMin(c.min);
        knob.setPosition(c.position);
        ui.idle();
        EXPECT_EQ(frameOf(ui.pixel(20, 20)), c.frame)
            << "strip " << c.image << ", " << c.min << ".." << c.max << " at " << c.position;
        ui.scene.root().remove(knob);
    }
}

// A button-up seen elsewhere ends the drag at the next move; a knob removed mid-drag gives the
// cursor back.
TEST_F(KnobTest, DragsEndWhenTheButtonIsReleasedElsewhereOrTheKnobGoes) {
    TDIBKnob &knob = addKnob(100, 100, 39, 360);
    int32_t ups = 0;
    knob.onMouseUp = [&](TControl &, TMouseButton, TShiftState, int32_t, int32_t) { ++ups; };
    ui.window.mouseDown(TMouseButton::Left, 110, 110);
    ui.window.mouseMoveBy(0, -4);
    ui.window.releaseElsewhere(TMouseButton::Left);
    ui.window.mouseMoveBy(0, -10);
    ui.window.mouseMoveBy(0, -10);
    ui.idle();
    EXPECT_EQ(std::tuple(knob.position(), ups, knob.isDragging(), ui.window.cursorHidden()),
              std::tuple(4, 1, false, false));
    EXPECT_EQ(ui.scene.captured(), nullptr);

    ui.window.mouseDown(TMouseButton::Left, 110, 110);
    ui.window.mouseMoveBy(0, -3);
    ui.idle();
    ASSERT_TRUE(ui.window.cursorHidden());
    ui.scene.root().remove(knob);
    EXPECT_FALSE(ui.window.cursorHidden());
    EXPECT_EQ(ui.scene.captured(), nullptr);
    EXPECT_EQ(ui.scene.focused(), nullptr);
    ui.window.mouseMoveBy(0, -3);
    ui.window.mouseUp(TMouseButton::Left);
    ui.window.key(TKey::Up);
    ui.idle(); // nothing left to reach
}

} // namespace
} // namespace frakle::gui::test
