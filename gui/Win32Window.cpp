// TWin32Window: the window class, creation, the DIB section, the window procedure that turns
// messages into queued scene input, and cursor control. UI thread only.
#include "gui/Win32Window.h"

#include "gui/Scene.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace frakle::gui {

namespace {

// The class is registered by the first window of this module and unregistered with the last,
// so that a host can unload the plug-in and load another copy without a stale class.
std::mutex classMutex;
int32_t classUsers = 0;

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

// Unique per loaded copy of the module, since two copies may be loaded side by side.
std::wstring className() {
    return L"FrakleEditor" + std::to_wstring(reinterpret_cast<uintptr_t>(thisModule()));
}

std::wstring widen(const char *text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(n, 1)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

TShiftState shiftOf(WPARAM keys) {
    TShiftState s;
    s.shift = (keys & MK_SHIFT) != 0;
    s.ctrl = (keys & MK_CONTROL) != 0;
    s.alt = GetKeyState(VK_MENU) < 0;
    s.left = (keys & MK_LBUTTON) != 0;
    s.middle = (keys & MK_MBUTTON) != 0;
    s.right = (keys & MK_RBUTTON) != 0;
    return s;
}

TShiftState keyboardShift() {
    TShiftState s;
    s.shift = GetKeyState(VK_SHIFT) < 0;
    s.ctrl = GetKeyState(VK_CONTROL) < 0;
    s.alt = GetKeyState(VK_MENU) < 0;
    s.left = GetKeyState(VK_LBUTTON) < 0;
    s.middle = GetKeyState(VK_MBUTTON) < 0;
    s.right = GetKeyState(VK_RBUTTON) < 0;
    return s;
}

bool keyOf(WPARAM virtualKey, TKey &key) {
    switch (virtualKey) {
    case VK_UP:
        key = TKey::Up;
        return true;
    case VK_DOWN:
        key = TKey::Down;
        return true;
    case VK_LEFT:
        key = TKey::Left;
        return true;
    case VK_RIGHT:
        key = TKey::Right;
        return true;
    case VK_PRIOR:
        key = TKey::PageUp;
        return true;
    case VK_NEXT:
        key = TKey::PageDown;
        return true;
    default:
        return false;
    }
}

} // namespace

struct TWin32Procedure {
    static LRESULT CALLBACK handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto *w = reinterpret_cast<TWin32Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (w == nullptr) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        return w->destroyed_ ? DefWindowProcW(hwnd, message, wParam, lParam)
                             : dispatch(*w, hwnd, message, wParam, lParam);
    }

    static void button(TWin32Window &w, HWND hwnd, TWin32Window::TKind kind, TMouseButton b,
                       WPARAM wParam, LPARAM lParam) {
        TShiftState shift = shiftOf(wParam);
        shift.setButton(b, kind == TWin32Window::TKind::Down);
        if (kind == TWin32Window::TKind::Down) {
            // Keys go to the knob clicked last, and a drag keeps its moves outside the window.
            SetFocus(hwnd);
            SetCapture(hwnd);
        } else if (!shift.anyButton() && GetCapture() == hwnd) {
            ReleaseCapture();
        }
        w.queue({kind, b, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0, TKey::Up, shift});
    }

    static LRESULT dispatch(TWin32Window &w, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) {
        using TKind = TWin32Window::TKind;
        switch (message) {
        case TWin32Window::kConnectMessage:
            if (w.ready_) {
                const auto ready = std::move(w.ready_);
                w.ready_ = nullptr;
                ready(reinterpret_cast<void *>(wParam));
            }
            return 0;
        case WM_PAINT:
            w.paint();
            return 0;
        case WM_ERASEBKGND:
            return 1; // every pixel is ours: no flash of background
        case WM_LBUTTONDOWN:
            button(w, hwnd, TKind::Down, TMouseButton::Left, wParam, lParam);
            return 0;
        case WM_MBUTTONDOWN:
            button(w, hwnd, TKind::Down, TMouseButton::Middle, wParam, lParam);
            return 0;
        case WM_RBUTTONDOWN:
            button(w, hwnd, TKind::Down, TMouseButton::Right, wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            button(w, hwnd, TKind::Up, TMouseButton::Left, wParam, lParam);
            return 0;
        case WM_MBUTTONUP:
            button(w, hwnd, TKind::Up, TMouseButton::Middle, wParam, lParam);
            return 0;
        case WM_RBUTTONUP:
            button(w, hwnd, TKind::Up, TMouseButton::Right, wParam, lParam);
            return 0;
        case WM_MOUSEMOVE:
            w.queue({TKind::Move, TMouseButton::Left, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0,
                     TKey::Up, shiftOf(wParam)});
            return 0;
        case WM_MOUSEWHEEL: {
            // Notches of 120 turn the knob under the pointer one small step each.
            w.wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
            const int32_t steps = w.wheelRest_ / WHEEL_DELTA;
            w.wheelRest_ -= steps * WHEEL_DELTA;
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(hwnd, &at);
            if (steps != 0) {
                w.queue({TKind::Wheel, TMouseButton::Left, at.x, at.y, steps, TKey::Up,
                         shiftOf(GET_KEYSTATE_WPARAM(wParam))});
            }
            return 0;
        }
        case WM_KEYDOWN: {
            TKey key{};
            if (keyOf(wParam, key)) {
                w.queue({TKind::Key, TMouseButton::Left, 0, 0, 0, key, keyboardShift()});
                return 0;
            }
            break;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_SETCURSOR:
            if (w.cursorHidden_ && LOWORD(lParam) == HTCLIENT) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            w.open_ = false; // the top-level window's close box; the owner destroys us
            return 0;
        case WM_DESTROY:
            w.open_ = false;
            break;
        case WM_NCDESTROY:
            // Gone, perhaps with the host's window: nothing of ours may touch the handle again.
            w.destroyed_ = true;
            w.open_ = false;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

TWin32Window::TWin32Window(uintptr_t parent, int32_t width, int32_t height, const char *title)
    : width_(width), height_(height) {
    const HINSTANCE module = thisModule();
    const std::wstring name = className();
    {
        std::lock_guard lock(classMutex);
        if (classUsers++ == 0) {
            // No CS_DBLCLKS: every press arrives as a button-down, as on X11.
            WNDCLASSEXW c{};
            c.cbSize = sizeof c;
            c.lpfnWndProc = TWin32Procedure::handle;
            c.hInstance = module;
            c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            c.lpszClassName = name.c_str();
            RegisterClassExW(&c);
        }
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows, as the bitmap has them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    if (dib == nullptr || memory == nullptr || bits == nullptr) {
        if (dib != nullptr) {
            DeleteObject(dib);
        }
        if (memory != nullptr) {
            DeleteDC(memory);
        }
        return;
    }
    dib_ = dib;
    memoryDc_ = memory;
    pixels_ = static_cast<uint32_t *>(bits);
    std::memset(pixels_, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    oldBitmap_ = SelectObject(memory, dib);

    const auto parentWindow = reinterpret_cast<HWND>(parent);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    RECT frame{0, 0, width, height};
    if (parent == 0) {
        style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    } else if (!IsWindow(parentWindow)) {
        return;
    }
    const std::wstring caption = widen(title);
    const HWND hwnd = CreateWindowExW(
        0, name.c_str(), parent == 0 ? caption.c_str() : L"", style,
        parent == 0 ? CW_USEDEFAULT : 0, parent == 0 ? CW_USEDEFAULT : 0, frame.right - frame.left,
        frame.bottom - frame.top, parentWindow, nullptr, module, this);
    if (hwnd == nullptr) {
        return;
    }
    window_ = hwnd;
    open_ = true;
    UpdateWindow(hwnd);
}

TWin32Window::~TWin32Window() {
    if (window_ != nullptr && !destroyed_) {
        if (GetCapture() == static_cast<HWND>(window_)) {
            ReleaseCapture();
        }
        DestroyWindow(static_cast<HWND>(window_));
    }
    if (memoryDc_ != nullptr) {
        SelectObject(static_cast<HDC>(memoryDc_), static_cast<HGDIOBJ>(oldBitmap_));
        DeleteDC(static_cast<HDC>(memoryDc_));
    }
    if (dib_ != nullptr) {
        DeleteObject(static_cast<HGDIOBJ>(dib_));
    }
    std::lock_guard lock(classMutex);
    if (--classUsers == 0) {
        UnregisterClassW(className().c_str(), thisModule());
    }
}

void TWin32Window::whenReady(void *context, std::function<void(void *)> ready) {
    if (!open_) {
        return;
    }
    ready_ = std::move(ready);
    PostMessageW(static_cast<HWND>(window_), kConnectMessage, reinterpret_cast<WPARAM>(context), 0);
}

void TWin32Window::queue(const TEvent &event) {
    // Only the latest of a run of moves matters.
    if (event.kind == TKind::Move && !events_.empty() && events_.back().kind == TKind::Move) {
        events_.back() = event;
        return;
    }
    events_.push_back(event);
}

void TWin32Window::pumpEvents(TScene &scene) {
    // The host's message loop normally delivers our messages; those it has not got to yet
    // (or all of them, in a host that runs no loop of its own) are taken here.
    MSG message;
    while (open_ && PeekMessageW(&message, static_cast<HWND>(window_), 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Input that handlers queue meanwhile waits for the next call.
    std::vector<TEvent> events;
    events.swap(events_);
    for (const TEvent &e : events) {
        if (!open_) {
            return;
        }
        switch (e.kind) {
        case TKind::Down:
            scene.mouseDown(e.button, e.shift, e.x, e.y);
            break;
        case TKind::Move:
            scene.mouseMove(e.shift, e.x, e.y);
            break;
        case TKind::Up:
            scene.mouseUp(e.button, e.shift, e.x, e.y);
            break;
        case TKind::Wheel:
            scene.mouseWheel(e.shift, e.x, e.y, e.steps);
            break;
        case TKind::Key:
            scene.keyDown(e.key, e.shift);
            break;
        }
    }
}

void TWin32Window::present(const TBitmap &bitmap, const TRect &dirty) {
    if (pixels_ == nullptr) {
        return;
    }
    const TRect r =
        dirty.intersected({0, 0, std::min(width_, bitmap.width), std::min(height_, bitmap.height)});
    if (r.isEmpty()) {
        return;
    }
    GdiFlush(); // GDI is done with the DIB before we write to it
    // The bitmap's 0xAARRGGBB words are the DIB's blue-green-red-x bytes as they are.
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        std::memcpy(pixels_ + static_cast<size_t>(y) * static_cast<size_t>(width_) +
                        static_cast<size_t>(r.x),
                    &bitmap.pixels[static_cast<size_t>(y) * static_cast<size_t>(bitmap.width) +
                                   static_cast<size_t>(r.x)],
                    static_cast<size_t>(r.w) * 4);
    }
    if (!open_) {
        return;
    }
    const auto hwnd = static_cast<HWND>(window_);
    HDC dc = GetDC(hwnd);
    if (dc != nullptr) {
        blit(dc, r);
        ReleaseDC(hwnd, dc);
    }
}

void TWin32Window::blit(void *dc, const TRect &r) {
    BitBlt(static_cast<HDC>(dc), r.x, r.y, r.w, r.h, static_cast<HDC>(memoryDc_), r.x, r.y,
           SRCCOPY);
}

void TWin32Window::paint() {
    const auto hwnd = static_cast<HWND>(window_);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc != nullptr) {
        const RECT &p = ps.rcPaint;
        blit(dc, {p.left, p.top, p.right - p.left, p.bottom - p.top});
    }
    EndPaint(hwnd, &ps);
}

TPoint TWin32Window::cursorPosition() const {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

void TWin32Window::setCursorPosition(int32_t x, int32_t y) { SetCursorPos(x, y); }

void TWin32Window::hideCursor() {
    if (!open_ || cursorHidden_) {
        return;
    }
    cursorHidden_ = true;
    SetCursor(nullptr);
}

void TWin32Window::showCursor() {
    if (!cursorHidden_) {
        return;
    }
    cursorHidden_ = false;
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
}

std::unique_ptr<TWindowBackend> openNativeWindow(uintptr_t parent, int32_t width, int32_t height,
                                                 const char *title) {
    return std::make_unique<TWin32Window>(parent, width, height, title);
}

} // namespace frakle::gui
