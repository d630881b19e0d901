// The scene through a headless window: which control the mouse reaches (hit areas, z-order,
// containers, capture), what is redrawn when something changes, and what is drawn.
#include "tests/gui/HeadlessScene.h"

#include <gtest/gtest.h>

#include <vector>

namespace frakle::gui::test {
namespace {

constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kRed = Rgb(255, 0, 0);
constexpr uint32_t kGreen = Rgb(0, 255, 0);
constexpr uint32_t kBlue = Rgb(0, 0, 255);

struct SceneTest : ::testing::Test {
    HeadlessScene ui;
    TImageList images;
    std::vector<int32_t> downs; // tags of the controls that got a button-down, in order

    SceneTest() {
        images.images.push_back(solid(100, 50, kRed));
        images.images.push_back(solid(100, 50, kGreen));
        images.images.push_back(filmstrip(180, 39, 39));
    }

    template <class T> T &add(TDIBContainer &parent, int32_t tag, TRect r) {
        T &c = parent.add<T>(r.x, r.y, r.w, r.h);
        c.tag = tag;
        c.onMouseDown = [this](TControl &sender, TMouseButton, TShiftState, int32_t, int32_t) {
            downs.push_back(sender.tag);
        };
        return c;
    }
    TDIBImage &image(int32_t tag, TRect r, int32_t index) {
        TDIBImage &i = add<TDIBImage>(ui.scene.root(), tag, r);
        i.setImages(&images);
        i.setIndex(index);
        return i;
    }
    void click(int32_t x, int32_t y) {
        ui.window.mouseDown(TMouseButton::Left, x, y);
        ui.window.mouseUp(TMouseButton::Left, x, y);
        ui.idle();
    }
};

TEST_F(SceneTest, TopmostShowingControlTakesTheClick) {
    image(1, {100, 100, 100, 50}, 0);
    TDIBImage &top = image(2, {150, 120, 100, 50}, 1);
    TDIBImage &hitArea = image(3, {0, 0, 150, 65}, 0);
    hitArea.setOpacity(0); // invisible, but still a target
    ui.idle();
    EXPECT_EQ(ui.pixel(10, 10), kBlack);
    EXPECT_EQ(ui.pixel(120, 110), kRed);
    EXPECT_EQ(ui.pixel(160, 130), kGreen); // the later one drawn on top

    click(10, 10);
    click(160, 130);
    click(120, 110);
    click(400, 400); // the bare root: nobody listening
    top.setVisible(false);
    click(160, 130);
    EXPECT_EQ(downs, (std::vector<int32_t>{3, 2, 1, 1}));
    EXPECT_EQ(ui.pixel(160, 130), kRed);
}

TEST_F(SceneTest, ContainerClipsItsChildrenForDrawingAndForTheMouse) {
    auto &box = add<TDIBContainer>(ui.scene.root(), 10, {1000, 0, 200, 100}); // out of view
    box.setBackground(kBlue);
    TDIBImage &inside = add<TDIBImage>(box, 11, {150, 60, 100, 50}); // sticks out of the box
    inside.setImages(&images);
    inside.setIndex(0);
    ui.idle();
    EXPECT_TRUE(ui.window.presented().empty());

    box.moveTo(170, 0);
    ui.idle();
    EXPECT_EQ(ui.window.presented(), (std::vector<TRect>{{170, 0, 200, 100}}));
    EXPECT_EQ(ui.pixel(175, 5), kBlue);
    EXPECT_EQ(ui.pixel(330, 90), kRed);    // child, inside the box
    EXPECT_EQ(ui.pixel(330, 105), kBlack); // child, clipped away

    click(330, 90);
    click(330, 105);
    click(175, 5);
    EXPECT_EQ(downs, (std::vector<int32_t>{11, 10}));
}

TEST_F(SceneTest, CaptureKeepsADragGoingOutsideTheKnob) {
    TDIBKnob &knob = add<TDIBKnob>(ui.scene.root(), 5, {100, 100, 39, 39});
    knob.setImages(&images, 2);
    knob.setMax(360);
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

    ui.window.mouseDown(TMouseButton::Left, 110, 110);
    ui.window.mouseMove(310, 20);   // over the other control
    ui.window.mouseMove(-40, -200); // off the window
    ui.window.mouseUp(TMouseButton::Left, -40, -200);
    ui.idle();
    EXPECT_EQ(knob.position(), 360); // 90 up, then 310 up
    EXPECT_EQ(otherMoves, 0);
    EXPECT_EQ(knobMoves, (std::vector<TPoint>{{210, -80}, {-140, -300}})); // relative to the knob
    EXPECT_EQ(knobUps, 1);
    EXPECT_EQ(ui.window.cursorInWindow(), (TPoint{110, 110}));
    EXPECT_EQ(ui.scene.captured(), nullptr);

    ui.window.mouseMove(310, 20); // released: moves reach what is under the pointer
    ui.idle();
    EXPECT_EQ(otherMoves, 1);
    EXPECT_EQ(knobMoves.size(), 2u);
}

TEST_F(SceneTest, OnlyWhatChangedIsRedrawn) {
    TDIBKnob &knob = add<TDIBKnob>(ui.scene.root(), 1, {189, 36, 39, 39});
    knob.setImages(&images, 2);
    knob.setMax(360);
    TDIBImage &picture = image(2, {10, 300, 100, 50}, 0);
    TLabel &label = add<TLabel>(ui.scene.root(), 3, {184, 77, 50, 11});
    label.setCaption("90");
    ui.idle();
    ui.window.clearPresented();

    // Setting what is already there draws nothing.
    knob.setPosition(0);
    knob.setImages(&images, 2);
    picture.setIndex(0);
    picture.setOpacity(255);
    picture.moveTo(10, 300);
    picture.setVisible(true);
    label.setCaption("90");
    knob.setPosition(1); // a new position on the same frame
    EXPECT_FALSE(ui.scene.isDirty());

    knob.setPosition(90);
    EXPECT_EQ(ui.scene.dirtyRects(), (std::vector<TRect>{{189, 36, 39, 39}}));
    const TBitmap before = ui.window.pixels();
    ui.idle();
    EXPECT_EQ(ui.window.presented(), (std::vector<TRect>{{189, 36, 39, 39}}));
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const bool inKnob = x >= 189 && x < 228 && y >= 36 && y < 75;
            ASSERT_EQ(ui.pixel(x, y) != before.at(x, y), inKnob) << x << ", " << y;
        }
    }

    ui.window.clearPresented();
    label.setCaption("180");
    picture.moveTo(10, 320); // overlaps where it was: one rectangle
    picture.setIndex(1);
    ui.idle();
    EXPECT_EQ(ui.window.presented(), (std::vector<TRect>{{184, 77, 50, 11}, {10, 300, 100, 70}}));
    EXPECT_EQ(ui.pixel(50, 310), kBlack);
    EXPECT_EQ(ui.pixel(50, 330), kGreen);
}

TEST_F(SceneTest, LabelDrawsOneLineOfTextAlignedInItsBox) {
    TLabel &label = ui.scene.root().add<TLabel>(100, 100, 80, 13);
    label.setCaption("Volume");
    const auto ink = [&] {
        TRect box;
        for (int32_t y = 90; y < 130; ++y) {
            for (int32_t x = 90; x < 200; ++x) {
                if (ui.pixel(x, y) != kBlack) {
                    box = box.united({x, y, 1, 1});
                }
            }
        }
        return box;
    };
    ui.idle();
    const TRect centred = ink();
    ASSERT_FALSE(centred.isEmpty());
    EXPECT_TRUE((TRect{100, 100, 80, 13}.contains(centred)));
    EXPECT_NEAR(centred.x + centred.w / 2.0, 140.0, 1.5);
    EXPECT_GT(centred.w, 20); // six letters at 9 pixels

    label.setAlignment(TAlign::Left);
    ui.idle();
    EXPECT_LE(ink().x, 101);
    EXPECT_EQ(ink().w, centred.w);
}

} // namespace
} // namespace frakle::gui::test
