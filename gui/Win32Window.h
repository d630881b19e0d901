// TWin32Window: the editor's window on Windows. It creates the window as a child of the host's
// HWND (or top-level for a parent of 0), keeps the scene's pixels in a DIB section that
// presents and WM_PAINT copy to the screen, and queues the input its window procedure receives
// until pumpEvents hands it to the scene. After creation it posts itself the private message
// 1985 with wParam = the form's plug-in; handling it connects the form (see whenReady). UI
// thread only: the window belongs to the thread that made it.
#pragma once

#include "gui/Window.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace frakle::gui {

class TWin32Window : public TWindowBackend {
public:
    // The message that connects the form: wParam = the plug-in object, lParam = 0.
    static constexpr unsigned kConnectMessage = 1985;

    // `parent` is the host's HWND (0: a top-level window titled `title`). isOpen() is false if
    // the window cannot be made.
    TWin32Window(uintptr_t parent, int32_t width, int32_t height, const char *title = "Frakle");
    ~TWin32Window() override;
    TWin32Window(const TWin32Window &) = delete;
    TWin32Window &operator=(const TWin32Window &) = delete;

    void present(const TBitmap &bitmap, const TRect &dirty) override;
    void pumpEvents(TScene &scene) override;
    TPoint cursorPosition() const override;
    void setCursorPosition(int32_t x, int32_t y) override;
    void hideCursor() override;
    void showCursor() override;
    bool isOpen() const override { return open_; }
    uintptr_t nativeHandle() const override { return reinterpret_cast<uintptr_t>(window_); }
    void whenReady(void *context, std::function<void(void *)> ready) override;

private:
    friend struct TWin32Procedure;

    enum class TKind : uint8_t { Down, Move, Up, Wheel, Key };
    struct TEvent {
        TKind kind;
        TMouseButton button = TMouseButton::Left;
        int32_t x = 0;
        int32_t y = 0;
        int32_t steps = 0;
        TKey key = TKey::Up;
        TShiftState shift;
    };

    void queue(const TEvent &event);
    void paint();
    void blit(void *dc, const TRect &r);

    void *window_ = nullptr; // HWND
    void *memoryDc_ = nullptr;
    void *dib_ = nullptr;
    void *oldBitmap_ = nullptr;
    uint32_t *pixels_ = nullptr; // the DIB's top-down 0xAARRGGBB words
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t wheelRest_ = 0; // a wheel's delta short of a whole notch
    bool open_ = false;
    bool destroyed_ = false;
    bool cursorHidden_ = false;
    std::function<void(void *)> ready_;
    std::vector<TEvent> events_;
};

} // namespace frakle::gui
