// THeadlessWindow: a window without a window system, for tests and screenshots. It keeps the
// presented pixels in a bitmap, queues input injected by the caller until pumpEvents, and
// simulates the screen cursor (position, hidden or not, warps) so that drags can be checked.
// UI thread only.
#pragma once

#include "gui/Window.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace frakle::gui {

class THeadlessWindow : public TWindowBackend {
public:
    // The window's top-left corner sits at `origin` on the simulated screen.
    THeadlessWindow(int32_t width, int32_t height, TPoint origin = {0, 0});

    void present(const TBitmap &bitmap, const TRect &dirty) override;
    void pumpEvents(TScene &scene) override;
    TPoint cursorPosition() const override { return cursor_; }
    void setCursorPosition(int32_t x, int32_t y) override;
    void hideCursor() override { cursorHidden_ = true; }
    void showCursor() override { cursorHidden_ = false; }
    bool isOpen() const override { return open_; }
    void close() { open_ = false; }

    // Input, in window coordinates, queued until the next pumpEvents. Each mouse event first puts
    // the cursor at its point. mouseMoveBy moves the cursor from wherever it is when the event
    // is delivered, as a hand on the mouse does; mouseUp without a point releases it there.
    void mouseDown(TMouseButton button, int32_t x, int32_t y);
    void mouseMove(int32_t x, int32_t y);
    void mouseMoveBy(int32_t dx, int32_t dy);
    void mouseUp(TMouseButton button, int32_t x, int32_t y);
    void mouseUp(TMouseButton button);
    // A button let go while another client held the pointer: no event reaches us, later ones
    // show the button up.
    void releaseElsewhere(TMouseButton button);
    void wheel(int32_t x, int32_t y, int32_t steps);
    void key(TKey key);
    // Shift, ctrl and alt as held for the events queued from now on.
    void setModifiers(bool shift, bool ctrl, bool alt);

    // The pixels presented so far, and the rectangles presented, oldest first.
    const TBitmap &pixels() const { return pixels_; }
    const std::vector<TRect> &presented() const { return presented_; }
    void clearPresented() { presented_.clear(); }
    bool savePng(const std::string &path) const;

    TPoint origin() const { return origin_; }
    bool cursorHidden() const { return cursorHidden_; }
    int32_t warpCount() const { return warps_; }
    // The cursor relative to the window.
    TPoint cursorInWindow() const { return {cursor_.x - origin_.x, cursor_.y - origin_.y}; }

private:
    enum class TKind : uint8_t { Down, Move, MoveBy, Up, UpHere, Released, Wheel, Key };
    struct TEvent {
        TKind kind;
        TMouseButton button = TMouseButton::Left;
        int32_t x = 0;
        int32_t y = 0;
        int32_t steps = 0;
        TKey key = TKey::Up;
        TShiftState modifiers;
    };

    TBitmap pixels_;
    TPoint origin_;
    TPoint cursor_;
    bool cursorHidden_ = false;
    int32_t warps_ = 0;
    bool open_ = true;
    TShiftState modifiers_; // keyboard modifiers only
    TShiftState buttons_;   // mouse buttons held, as delivered
    std::deque<TEvent> queue_;
    std::vector<TRect> presented_;
};

} // namespace frakle::gui
