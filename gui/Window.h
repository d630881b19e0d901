// TWindowBackend: what the scene and the editor form need from a window system: showing the
// scene's pixels, delivering input, and reading, moving, hiding and showing the screen cursor.
// HeadlessWindow serves tests and screenshots, X11Window the real editor. UI thread only.
#pragma once

#include "gui/Bitmap.h"
#include "gui/Input.h"
#include "gui/Rect.h"

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
};

} // namespace frakle::gui
