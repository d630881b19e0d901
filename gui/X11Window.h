// TX11Window: the editor's window on X11. It opens a display connection of its own, creates the
// window as a child of the host's window (or top-level for a parent of 0), shows the scene's
// bitmap with XPutImage and turns X events into scene input on each pumpEvents call.
// X errors on its connection are recorded, never fatal: a window the host destroyed under us, or
// a broken connection, only closes this window (see X11Window.cpp for what the process-wide
// Xlib handlers do meanwhile). UI thread only.
#pragma once

#include "gui/Window.h"

#include <cstdint>
#include <vector>

struct _XDisplay; // Xlib's Display, kept out of this header with the rest of Xlib
struct _XGC;
union _XEvent;

namespace frakle::gui {

class TX11Window : public TWindowBackend {
public:
    // `parent` is the host's X window id (0: a top-level window titled `title`). Connects to the
    // display named by DISPLAY; isOpen() is false if that, or the window, fails.
    TX11Window(uintptr_t parent, int32_t width, int32_t height, const char *title = "Frakle");
    ~TX11Window() override;
    TX11Window(const TX11Window &) = delete;
    TX11Window &operator=(const TX11Window &) = delete;

    void present(const TBitmap &bitmap, const TRect &dirty) override;
    void pumpEvents(TScene &scene) override;
    TPoint cursorPosition() const override;
    void setCursorPosition(int32_t x, int32_t y) override;
    void hideCursor() override;
    void showCursor() override;
    bool isOpen() const override { return open_ && !connectionLost_; }
    uintptr_t nativeHandle() const override { return window_; }

    // X errors reported on this window's connection, and the last error code (0: none).
    int32_t errorCount() const { return errorCount_; }
    int32_t lastErrorCode() const { return lastErrorCode_; }
    bool connectionLost() const { return connectionLost_; }

    // The connection and window, for tests and diagnostics; null and 0 when creation failed.
    _XDisplay *display() const { return display_; }
    unsigned long windowId() const { return window_; }

private:
    friend struct TX11Errors;

    void dispatch(TScene &scene, _XEvent &event);
    void recordError(int32_t code);
    void loseConnection();
    void putPixels(const TBitmap &bitmap, const TRect &r);

    _XDisplay *display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long root_ = 0;
    unsigned long invisibleCursor_ = 0;
    unsigned long deleteAtom_ = 0;
    _XGC *gc_ = nullptr;
    void *visual_ = nullptr; // Xlib's Visual
    int32_t depth_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool open_ = false;
    bool windowGone_ = false;
    bool connectionLost_ = false;
    bool cursorHidden_ = false;
    int32_t errorCount_ = 0;
    int32_t lastErrorCode_ = 0;
    TPoint lastCursor_;
    std::vector<uint32_t> scratch_; // pixels converted for visuals other than 32-bit xRGB
};

} // namespace frakle::gui
