// Mouse, key and cursor types shared by the widgets, the scene and the window back ends.
// UI thread only.
#pragma once

#include <cstdint>

namespace frakle::gui {

enum class TMouseButton : uint8_t { Left, Right, Middle };

// The keys a control can act on; the window back ends drop every other key.
enum class TKey : uint8_t { Up, Down, Left, Right, PageUp, PageDown };

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TPoint &) const = default;
};

// Modifier keys and the mouse buttons held when an event happened (for a button-down the
// pressed button is included, for a button-up the released one is not).
struct TShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool left = false;
    bool right = false;
    bool middle = false;

    bool holds(TMouseButton button) const {
        switch (button) {
        case TMouseButton::Left:
            return left;
        case TMouseButton::Right:
            return right;
        case TMouseButton::Middle:
            return middle;
        }
        return false;
    }
    void setButton(TMouseButton button, bool down) {
        switch (button) {
        case TMouseButton::Left:
            left = down;
            break;
        case TMouseButton::Right:
            right = down;
            break;
        case TMouseButton::Middle:
            middle = down;
            break;
        }
    }
    bool anyButton() const { return left || right || middle; }
    bool operator==(const TShiftState &) const = default;
};

} // namespace frakle::gui
