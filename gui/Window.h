// TWindowBackend: what the scene and the editor form need from a window system: showing the
// scene's pixels, delivering input, and reading, moving, hiding and showing the screen cursor.
// HeadlessWindow serves tests and screenshots, X11Window (Linux) and Win32Window (Windows) the
// real editor; the build compiles the one native window of its platform. UI thread only.
#pragma once

#include "gui/Bitmap.h"
#include "gui/Input.h"
#include "gui/Rect.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace frakle::gui {

class TScene;

class TWindowBackend {
public:
    virtual ~TWindowBackend() = default;

    // Shows the `dirty` part (window coordinates) of the window-sized bitmap.
    virtual void present(const TBitmap &bitmap, const TRect &dirty) = 0;
    // Delivers the input that arrived since the last call to the scene and marks exposed parts
    // dirty; never blocks. Called from the host's idle.
    virtual void pumpEvents(TScene &scene) = 0;

    // The cursor in screen coordinates.
    virtual TPoint cursorPosition() const = 0;
    virtual void setCursorPosition(int32_t x, int32_t y) = 0;
    virtual void hideCursor() = 0;
    virtual void showCursor() = 0;

    // False once the window is gone (closed, or lost with its parent or its display).
    virtual bool isOpen() const = 0;

    // The window system's handle of the window (an X window id, an HWND), 0 for none.
    virtual uintptr_t nativeHandle() const { return 0; }

    // Hands `context` to `ready` once the window can take a form's drawing and input. Most
    // windows call at once; the Win32 window posts itself its private message 1985 with
    // wParam = context and calls when the host's message loop (or the next pumpEvents)
    // delivers it, the order Windows hosts expect. A window closed before then never calls.
    virtual void whenReady(void *context, std::function<void(void *)> ready) { ready(context); }
};

// The platform's native window: a child of `parent` (the host's window handle), or a top-level
// window titled `title` for a parent of 0. Check isOpen(): creation can fail.
std::unique_ptr<TWindowBackend> openNativeWindow(uintptr_t parent, int32_t width, int32_t height,
                                                 const char *title = "Frakle");

} // namespace frakle::gui
