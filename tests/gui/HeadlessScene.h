// Test support: a scene shown in a headless window, and filmstrips whose frames can be told
// apart by their colour.
#pragma once

#include "gui/Controls.h"
#include "gui/HeadlessWindow.h"
#include "gui/Scene.h"

#include <cstdint>

namespace frakle::gui::test {

constexpr int32_t kWidth = 844;
constexpr int32_t kHeight = 626;

// The window sits away from the screen's corner so that screen and window points differ.
struct HeadlessScene {
    THeadlessWindow window{kWidth, kHeight, {300, 200}};
    TScene scene{kWidth, kHeight};

    HeadlessScene() {
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
};

// Frame i is filled with an opaque colour that encodes i (red: low byte, green: high byte).
inline TImage filmstrip(int32_t frames, int32_t frameWidth, int32_t frameHeight) {
    TImage image{TBitmap(frames * frameWidth, frameHeight), frames};
    for (int32_t f = 0; f < frames; ++f) {
        const auto code = static_cast<uint32_t>(f);
        for (int32_t y = 0; y < frameHeight; ++y) {
            for (int32_t x = 0; x < frameWidth; ++x) {
                image.bitmap.at(f * frameWidth + x, y) = Rgb(code & 0xFF, code >> 8, 0x40);
            }
        }
    }
    return image;
}

// The frame a pixel drawn from filmstrip() came from.
inline int32_t frameOf(uint32_t pixel) {
    return static_cast<int32_t>(((pixel >> 16) & 0xFF) | (((pixel >> 8) & 0xFF) << 8));
}

inline TImage solid(int32_t width, int32_t height, uint32_t colour) {
    return TImage{TBitmap(width, height, colour), 1};
}

} // namespace frakle::gui::test
