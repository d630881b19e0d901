// TScene: the window's root container, the bitmap it is drawn into and the dirty region that
// says what to redraw; routes mouse and key input to controls and stands between controls and
// the window's cursor. UI thread only.
//
// Each host idle: window.pumpEvents(scene), then the editor's own refresh, then scene.update().
#pragma once

#include "gui/Bitmap.h"
#include "gui/Controls.h"
#include "gui/Input.h"
#include "gui/Rect.h"
#include "gui/Window.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace frakle::gui {

class TScene {
public:
    TScene(int32_t width, int32_t height);
    ~TScene();
    TScene(const TScene &) = delete;
    TScene &operator=(const TScene &) = delete;

    int32_t width() const { return bitmap_.width; }
    int32_t height() const { return bitmap_.height; }
    // The root container: the whole window, at 0, 0.
    TDIBContainer &root() { return *root_; }
    // The window's pixels as of the last paintDirty().
    const TBitmap &bitmap() const { return bitmap_; }

    // The window that shows the scene and owns the cursor; null detaches. The window must outlive
    // the scene or be detached before it goes. Attaching marks everything dirty.
    void attach(TWindowBackend *window);
    TWindowBackend *window() const { return window_; }

    // Dirty area in window coordinates, kept as non-overlapping rectangles.
    void invalidate(const TRect &rect);
    void invalidateAll() { invalidate({0, 0, width(), height()}); }
    const std::vector<TRect> &dirtyRects() const { return dirty_; }
    bool isDirty() const { return !dirty_.empty(); }
    // Redraws the dirty area (cleared to black, then every control over it) and returns the
    // rectangles redrawn; the dirty region is empty afterwards.
    std::vector<TRect> paintDirty();
    // paintDirty(), then each rectangle presented on the attached window.
    void update();

    // Input in window coordinates. A button-down captures the mouse for the control under it:
    // moves and button-ups go there until every button is up, even outside it (a move whose
    // shift state holds no button ends the capture as if the button-ups had come). A button-down
    // on a control that can take the focus gives it the keys.
    void mouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    void mouseMove(TShiftState shift, int32_t x, int32_t y);
    void mouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    void mouseWheel(TShiftState shift, int32_t x, int32_t y, int32_t steps);
    void keyDown(TKey key, TShiftState shift);

    TControl *controlAt(int32_t x, int32_t y) { return root_->controlAt(x, y); }
    TControl *captured() const { return capture_; }
    TControl *focused() const { return focus_; }
    void setFocus(TControl *control) { focus_ = control; }

    // The cursor in screen coordinates, through the window; without one, the last mouse point.
    TPoint cursorPosition() const;
    void setCursorPosition(TPoint point);
    void hideCursor();
    void showCursor();

    // A control going away drops out of capture and focus.
    void forget(const TControl &control);

private:
    TControl *target(int32_t x, int32_t y);
    static void deliverPoint(const TControl &control, int32_t &x, int32_t &y);

    TBitmap bitmap_;
    std::vector<TRect> dirty_;
    TWindowBackend *window_ = nullptr;
    TControl *capture_ = nullptr;
    TControl *focus_ = nullptr;
    TShiftState held_;
    TPoint lastPoint_;
    std::unique_ptr<TDIBContainer> root_; // last: its controls go while the rest still exists
};

} // namespace frakle::gui
