// Controls and the scene driven as a user drives them, through a headless window. The filmstrip
// knob: drags with the cursor hidden and held in place and the frame it draws (keys and the wheel
// come through a real window in X11WindowTest; horizontal knobs, the buttons' other actions and the
// middle-click reset are driven in the editor tests). The scene:
// which control the mouse reaches (hit areas, z-order, containers, capture), what is redrawn when
// something changes, and what is drawn.
#include "gui/Controls.h"
#include "gui/HeadlessWindow.h"
#include "gui/Scene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

namespace frakle::gui::test {
namespace {

constexpr int32_t kWidth = 844, kHeight = 626;
constexpr uint32_t kBlack = Rgb(0, 0, 0), kRed = Rgb(255, 0, 0), kGreen = Rgb(0, 255, 0),
                   kBlue = Rgb(0, 0, 255);
// The image list: two solid pictures, then filmstrips whose frame i is filled with an opaque
// colour that encodes i (red: low byte, green: high byte).
enum : int32_t { kRedImage, kGreenImage, kStrip180, kStrip101 };

TImage filmstrip(int32_t frames, int32_t frameWidth, int32_t frameHeight) {
    TImage image{TBitmap(frames * frameWidth, frameHeight), frames};
    for (int32_t i = 0; i < frames * frameWidth * frameHeight; ++i) {
        const auto f = static_cast<uint32_t>(i % (frames * frameWidth) / frameWidth);
        image.bitmap.pixels[static_cast<size_t>(i)] = Rgb(f & 0xFF, f >> 8, 0x40);
    }
    return image;
}

// The frame a pixel drawn from filmstrip() came from.
int32_t frameOf(uint32_t pixel) {
    return static_cast<int32_t>(((pixel >> 16) & 0xFF) | (((pixel >> 8) & 0xFF) << 8));
}

// A scene in a headless window, which sits away from the screen's corner so that screen and
// window points differ.
struct Ui : ::testing::Test {
    THeadlessWindow window{kWidth, kHeight, {300, 200}};
    TScene scene{kWidth, kHeight};
    TImageList images;
    std::vector<int32_t> changes; // knob position after each onChange
    std::vector<int32_t> downs;   // tags of the controls that got a button-down, in order

    Ui() {
        images.images = {TImage{TBitmap(100, 50, kRed), 1}, TImage{TBitmap(100, 50, kGreen), 1},
                         filmstrip(180, 39, 39), filmstrip(101, 28, 18)};
        scene.attach(&window);
        scene.update();
        window.clearPresented();
    }
    // One host idle: input in, changes out.
    void idle() {
        window.pumpEvents(scene);
        scene.update();
    }
    uint32_t pixel(int32_t x, int32_t y) const { return window.pixels().at(x, y); }
    void click(int32_t x, int32_t y) {
        window.mouseDown(TMouseButton::Left, x, y);
        window.mouseUp(TMouseButton::Left, x, y);
        idle();
    }
    template <class T> T &add(TDIBContainer &parent, int32_t tag, TRect r) {
        T &c = parent.add<T>(r.x, r.y, r.w, r.h);
        c.tag = tag;
        c.onMouseDown = [this](TControl &sender, TMouseButton, TShiftState, int32_t, int32_t) {
            downs.push_back(sender.tag);
        };
        return c;
    }
    TDIBImage &image(int32_t tag, TRect r, int32_t index, TDIBContainer *parent = nullptr) {
        TDIBImage &i = add<TDIBImage>(parent != nullptr ? *parent : scene.root(), tag, r);
        i.setImages(&images);
        i.setIndex(index);
        return i;
    }
    TDIBKnob &addKnob(int32_t left, int32_t top, int32_t size, int32_t max,
                      int32_t strip = kStrip180) {
        TDIBKnob &knob = scene.root().add<TDIBKnob>(left, top, size, size);
        knob.setImages(&images, strip);
        knob.setMax(max);
        knob.onChange = [this](TDIBKnob &k) { changes.push_back(k.position()); };
        return knob;
    }
};
using KnobTest = Ui;
using SceneTest = Ui;

TEST_F(KnobTest, DragUpNinetyPixelsTurnsOneStepPerPixelWithTheCursorHeld) {
    TDIBKnob &knob = addKnob(189, 36, 39, 360);
    idle();
    const TPoint grab{200, 50};
    window.mouseDown(TMouseButton::Left, grab.x, grab.y);
    idle();
    EXPECT_EQ(std::tuple(window.cursorHidden(), window.warpCount()), std::tuple(true, 0));
    for (int32_t i = 1; i <= 90; ++i) { // the cursor is put back after every move
        window.mouseMoveBy(0, -1);
        idle();
        ASSERT_EQ(std::tuple(knob.position(), window.cursorHidden(), window.cursorInWindow(),
                             window.warpCount()),
                  std::tuple(i, true, grab, i));
    }
    EXPECT_EQ(changes.size(), 90u);

    window.mouseMoveBy(25, 0); // sideways does nothing to a vertical knob
    window.mouseUp(TMouseButton::Left);
    idle();
    EXPECT_EQ(std::tuple(knob.position(), window.cursorHidden(), window.cursorInWindow(),
                         knob.isDragging(), frameOf(pixel(200, 50))),
              std::tuple(90, false, grab, false, 90 * 180 / 361));

    // With the button up, moving is only moving.
    window.mouseMoveBy(0, -40);
    idle();
    EXPECT_EQ(knob.position(), 90);
}

TEST_F(KnobTest, DraggingPastEitherEndClampsAndRaisesNothingMore) {
    TDIBKnob &knob = addKnob(189, 36, 39, 360);
    window.mouseDown(TMouseButton::Left, 200, 50);
    window.mouseMoveBy(0, -500);
    window.mouseMoveBy(0, -30);
    idle();
    EXPECT_EQ(std::tuple(knob.position(), changes, frameOf(pixel(200, 50))),
              std::tuple(360, std::vector<int32_t>{360}, 179));

    window.mouseMoveBy(0, 10);
    window.mouseMoveBy(0, 1000);
    window.mouseUp(TMouseButton::Left);
    idle();
    EXPECT_EQ(std::tuple(changes, frameOf(pixel(200, 50))),
              std::tuple(std::vector<int32_t>{360, 350, 0}, 0));
}

TEST_F(KnobTest, DrawsFrameOfPositionTimesFramesOverRange) {
    struct Case {
        int32_t image, min, max, position, frame;
    };
    const Case cases[] = {
        {kStrip180, 0, 360, 0, 0},     {kStrip180, 0, 360, 2, 0},     {kStrip180, 0, 360, 3, 1},
        {kStrip180, 0, 360, 180, 89},  {kStrip180, 0, 360, 358, 178}, {kStrip180, 0, 360, 359, 179},
        {kStrip180, 0, 360, 360, 179}, {kStrip101, 0, 200, 0, 0},     {kStrip101, 0, 200, 100, 50},
        {kStrip101, 0, 200, 199, 99},  {kStrip101, 0, 200, 200, 100}, {kStrip180, 4, 64, 64, 177},
        {kStrip180, 4, 64, 4, 0},
    };
    for (const Case &c : cases) {
        TDIBKnob &knob = addKnob(10, 10, 39, c.max, c.image);
        knob.setMin(c.min);
        knob.setPosition(c.position);
        idle();
        EXPECT_EQ(frameOf(pixel(20, 20)), c.frame)
            << "strip " << c.image << ", " << c.min << ".." << c.max << " at " << c.position;
        scene.root().remove(knob);
    }
}

// A button-up seen elsewhere ends the drag at the next move; a knob removed mid-drag gives the
// cursor back.
TEST_F(KnobTest, DragsEndWhenTheButtonIsReleasedElsewhereOrTheKnobGoes) {
    TDIBKnob &knob = addKnob(100, 100, 39, 360);
    int32_t ups = 0;
    knob.onMouseUp = [&](TControl &, TMouseButton, TShiftState, int32_t, int32_t) { ++ups; };
    window.mouseDown(TMouseButton::Left, 110, 110);
    window.mouseMoveBy(0, -4);
    window.releaseElsewhere(TMouseButton::Left);
    window.mouseMoveBy(0, -10);
    window.mouseMoveBy(0, -10);
    idle();
    EXPECT_EQ(std::tuple(knob.position(), ups, knob.isDragging(), window.cursorHidden(),
                         scene.captured()),
              std::tuple(4, 1, false, false, nullptr));

    window.mouseDown(TMouseButton::Left, 110, 110);
    window.mouseMoveBy(0, -3);
    idle();
    ASSERT_TRUE(window.cursorHidden());
    scene.root().remove(knob);
    EXPECT_EQ(std::tuple(window.cursorHidden(), scene.captured(), scene.focused()),
              std::tuple(false, nullptr, nullptr));
    window.mouseMoveBy(0, -3);
    window.mouseUp(TMouseButton::Left);
    window.key(TKey::Up);
    idle(); // nothing left to reach
}

TEST_F(SceneTest, TopmostShowingControlTakesTheClick) {
    image(1, {100, 100, 100, 50}, 0);
    TDIBImage &top = image(2, {150, 120, 100, 50}, 1);
    TDIBImage &hitArea = image(3, {0, 0, 150, 65}, 0);
    hitArea.setOpacity(0); // invisible, but still a target
    idle();
    // The later one drawn on top.
    EXPECT_EQ(std::tuple(pixel(10, 10), pixel(120, 110), pixel(160, 130)),
              std::tuple(kBlack, kRed, kGreen));
    for (const auto &[x, y] : {std::pair(10, 10), {160, 130}, {120, 110}, {400, 400}}) {
        click(x, y); // the last on the bare root: nobody listening
    }
    top.setVisible(false);
    click(160, 130);
    EXPECT_EQ(downs, (std::vector<int32_t>{3, 2, 1, 1}));
    EXPECT_EQ(pixel(160, 130), kRed);
}

TEST_F(SceneTest, ContainerClipsItsChildrenForDrawingAndForTheMouse) {
    auto &box = add<TDIBContainer>(scene.root(), 10, {1000, 0, 200, 100}); // out of view
    box.setBackground(kBlue);
    image(11, {150, 60, 100, 50}, kRedImage, &box); // sticks out of the box
    idle();
    EXPECT_TRUE(window.presented().empty());

    box.moveTo(170, 0);
    idle();
    EXPECT_EQ(window.presented(), (std::vector<TRect>{{170, 0, 200, 100}}));
    // The box, its child inside the box and the child clipped away.
    EXPECT_EQ(std::tuple(pixel(175, 5), pixel(330, 90), pixel(330, 105)),
              std::tuple(kBlue, kRed, kBlack));
    for (const auto &[x, y] : {std::pair(330, 90), {330, 105}, {175, 5}}) {
        click(x, y);
    }
    EXPECT_EQ(downs, (std::vector<int32_t>{11, 10}));
}

TEST_F(SceneTest, CaptureKeepsADragGoingOutsideTheKnob) {
    TDIBKnob &knob = addKnob(100, 100, 39, 360);
    TDIBImage &other = image(6, {300, 0, 100, 50}, 0);
    int32_t otherMoves = 0;
    other.onMouseMove = [&](TControl &, TShiftState, int32_t, int32_t) { ++otherMoves; };
    std::vector<TPoint> knobMoves;
    knob.onMouseMove = [&](TControl &, TShiftState s, int32_t x, int32_t y) {
        EXPECT_TRUE(s.left);
        knobMoves.push_back({x, y});
    };
    int32_t knobUps = 0;
    knob.onMouseUp = [&](TControl &, TMouseButton, TShiftState, int32_t, int32_t) { ++knobUps; };

    window.mouseDown(TMouseButton::Left, 110, 110);
    window.mouseMove(310, 20);   // over the other control
    window.mouseMove(-40, -200); // off the window
    window.mouseUp(TMouseButton::Left, -40, -200);
    idle();
    // 90 up, then 310 up; the moves relative to the knob.
    EXPECT_EQ(std::tuple(knob.position(), otherMoves, knobMoves, knobUps, window.cursorInWindow(),
                         scene.captured()),
              std::tuple(360, 0, std::vector<TPoint>{{210, -80}, {-140, -300}}, 1, TPoint{110, 110},
                         nullptr));
    window.mouseMove(310, 20); // released: moves reach what is under the pointer
    idle();
    EXPECT_EQ(std::tuple(otherMoves, knobMoves.size()), std::tuple(1, 2u));
}

TEST_F(SceneTest, OnlyWhatChangedIsRedrawn) {
    TDIBKnob &knob = addKnob(189, 36, 39, 360);
    TDIBImage &picture = image(2, {10, 300, 100, 50}, 0);
    TLabel &label = add<TLabel>(scene.root(), 3, {184, 77, 50, 11});
    label.setCaption("90");
    idle();
    window.clearPresented();

    // Setting what is already there draws nothing.
    knob.setPosition(0);
    knob.setImages(&images, kStrip180);
    picture.setIndex(0);
    picture.setOpacity(255);
    picture.moveTo(10, 300);
    picture.setVisible(true);
    label.setCaption("90");
    knob.setPosition(1); // a new position on the same frame
    EXPECT_FALSE(scene.isDirty());

    knob.setPosition(90);
    EXPECT_EQ(scene.dirtyRects(), (std::vector<TRect>{{189, 36, 39, 39}}));
    const TBitmap before = window.pixels();
    idle();
    EXPECT_EQ(window.presented(), (std::vector<TRect>{{189, 36, 39, 39}}));
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const bool inKnob = x >= 189 && x < 228 && y >= 36 && y < 75;
            ASSERT_EQ(pixel(x, y) != before.at(x, y), inKnob) << x << ", " << y;
        }
    }

    window.clearPresented();
    label.setCaption("180");
    picture.moveTo(10, 320); // overlaps where it was: one rectangle
    picture.setIndex(1);
    idle();
    EXPECT_EQ(
        std::tuple(window.presented(), pixel(50, 310), pixel(50, 330)),
        std::tuple(std::vector<TRect>{{184, 77, 50, 11}, {10, 300, 100, 70}}, kBlack, kGreen));
}

} // namespace
} // namespace frakle::gui::test
