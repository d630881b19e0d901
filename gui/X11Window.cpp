// TX11Window: window creation, drawing with XPutImage, event translation, cursor control and
// the error handling that keeps X errors from ending the host. UI thread only.
#include "gui/X11Window.h"

#include "gui/Scene.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <memory>
#include <mutex>

namespace frakle::gui {

// Xlib's error handlers are one per process and may already be the host's. Ours are installed
// while any of our windows exists: errors on our connections are recorded by the window they
// belong to, everything else goes on to the handlers we replaced, so the host sees no change.
// A broken connection of ours passes through our I/O error handler (Xlib's default one would
// exit) and then the per-display exit handler (whose default would exit too); both return, the
// window closes and Xlib leaves the dead connection inert. Not covered: a host that installs its
// own I/O error handler over ours while our window is open decides for itself what a broken
// connection of ours does.
struct TX11Errors {
    static std::mutex &mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<TX11Window *> &windows() {
        static std::vector<TX11Window *> w;
        return w;
    }
    static inline XErrorHandler previous = nullptr;
    static inline XIOErrorHandler previousIO = nullptr;
    static inline bool installed = false;
    static inline bool installedIO = false;

    static TX11Window *find(Display *display) {
        for (TX11Window *w : windows()) {
            if (w->display_ == display) {
                return w;
            }
        }
        return nullptr;
    }

    static int onError(Display *display, XErrorEvent *event) {
        XErrorHandler next = nullptr;
        {
            std::lock_guard lock(mutex());
            if (TX11Window *w = find(display)) {
                w->recordError(event->error_code);
                return 0;
            }
            next = previous;
        }
        return next != nullptr ? next(display, event) : 0;
    }

    static int onIOError(Display *display) {
        XIOErrorHandler next = nullptr;
        {
            std::lock_guard lock(mutex());
            if (TX11Window *w = find(display)) {
                w->loseConnection();
                return 0;
            }
            next = previousIO;
        }
        return next != nullptr ? next(display) : 0;
    }

    static void onConnectionLost(Display *, void *window) {
        static_cast<TX11Window *>(window)->loseConnection();
    }

    static void add(TX11Window *window) {
        std::lock_guard lock(mutex());
        windows().push_back(window);
        if (!installed) {
            previous = XSetErrorHandler(onError);
            installed = true;
        }
        if (!installedIO) {
            previousIO = XSetIOErrorHandler(onIOError);
            installedIO = true;
        }
    }

    static void remove(TX11Window *window) {
        std::lock_guard lock(mutex());
        std::erase(windows(), window);
        if (!windows().empty()) {
            return;
        }
        // A handler someone installed over ours may pass errors on to ours: then theirs stays,
        // and ours beneath it, for good.
        if (installed) {
            const XErrorHandler current = XSetErrorHandler(previous);
            if (current == onError) {
                installed = false;
            } else {
                XSetErrorHandler(current);
            }
        }
        if (installedIO) {
            const XIOErrorHandler current = XSetIOErrorHandler(previousIO);
            if (current == onIOError) {
                installedIO = false;
            } else {
                XSetIOErrorHandler(current);
            }
        }
    }
};

namespace {

constexpr int kConnectAttempts = 3;

TShiftState shiftOf(unsigned int state) {
    TShiftState s;
    s.shift = (state & ShiftMask) != 0;
    s.ctrl = (state & ControlMask) != 0;
    s.alt = (state & Mod1Mask) != 0;
    s.left = (state & Button1Mask) != 0;
    s.middle = (state & Button2Mask) != 0;
    s.right = (state & Button3Mask) != 0;
    return s;
}

bool buttonOf(unsigned int xButton, TMouseButton &button) {
    switch (xButton) {
    case Button1:
        button = TMouseButton::Left;
        return true;
    case Button2:
        button = TMouseButton::Middle;
        return true;
    case Button3:
        button = TMouseButton::Right;
        return true;
    default:
        return false;
    }
}

bool keyOf(KeySym sym, TKey &key) {
    switch (sym) {
    case XK_Up:
    case XK_KP_Up:
        key = TKey::Up;
        return true;
    case XK_Down:
    case XK_KP_Down:
        key = TKey::Down;
        return true;
    case XK_Left:
    case XK_KP_Left:
        key = TKey::Left;
        return true;
    case XK_Right:
    case XK_KP_Right:
        key = TKey::Right;
        return true;
    case XK_Page_Up:
    case XK_KP_Page_Up:
        key = TKey::PageUp;
        return true;
    case XK_Page_Down:
    case XK_KP_Page_Down:
        key = TKey::PageDown;
        return true;
    default:
        return false;
    }
}

// One 8-bit channel placed under a visual's colour mask.
unsigned long channel(uint32_t value, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
    return (scaled << shift) & mask;
}

} // namespace

TX11Window::TX11Window(uintptr_t parent, int32_t width, int32_t height, const char *title)
    : width_(width), height_(height) {
    // A busy server may turn a connection away (EAGAIN) and take the next one.
    for (int attempt = 0; attempt < kConnectAttempts && display_ == nullptr; ++attempt) {
        display_ = XOpenDisplay(nullptr);
    }
    if (display_ == nullptr) {
        return;
    }
    TX11Errors::add(this);
    XSetIOErrorExitHandler(display_, TX11Errors::onConnectionLost, this);

    const int screen = DefaultScreen(display_);
    root_ = RootWindow(display_, screen);
    const Window parentWindow = parent != 0 ? static_cast<Window>(parent) : root_;
    XWindowAttributes parentAttributes{};
    if (XGetWindowAttributes(display_, parentWindow, &parentAttributes) == 0 || errorCount_ != 0) {
        return; // no such parent
    }
    visual_ = parentAttributes.visual;
    depth_ = parentAttributes.depth;

    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None; // we paint every pixel: no flash of background
    attributes.border_pixel = 0;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | StructureNotifyMask;
    window_ =
        XCreateWindow(display_, parentWindow, 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);

    if (parent == 0) {
        XStoreName(display_, window_, title);
        XSizeHints *hints = XAllocSizeHints();
        if (hints != nullptr) {
            hints->flags = PMinSize | PMaxSize;
            hints->min_width = hints->max_width = width;
            hints->min_height = hints->max_height = height;
            XSetWMNormalHints(display_, window_, hints);
            XFree(hints);
        }
        deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        Atom protocols = deleteAtom_;
        XSetWMProtocols(display_, window_, &protocols, 1);
    }

    gc_ = XCreateGC(display_, window_, 0, nullptr);
    static const char kEmpty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(display_, window_, kEmpty, 1, 1);
    XColor black{};
    invisibleCursor_ = XCreatePixmapCursor(display_, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display_, blank);

    XMapWindow(display_, window_);
    XSync(display_, False); // a parent that went away meanwhile shows up here
    open_ = errorCount_ == 0 && !connectionLost_;
}

TX11Window::~TX11Window() {
    if (display_ == nullptr) {
        return;
    }
    if (!connectionLost_) {
        if (window_ != 0 && !windowGone_) {
            XDestroyWindow(display_, window_);
        }
        if (invisibleCursor_ != 0) {
            XFreeCursor(display_, invisibleCursor_);
        }
        if (gc_ != nullptr) {
            XFreeGC(display_, gc_);
        }
        XSync(display_, False);
    }
    XCloseDisplay(display_); // still registered: errors on the way out are ours, not the host's
    TX11Errors::remove(this);
}

void TX11Window::loseConnection() {
    connectionLost_ = true;
    open_ = false;
}

void TX11Window::recordError(int32_t code) {
    ++errorCount_;
    lastErrorCode_ = code;
    if (code == BadWindow || code == BadDrawable) {
        // The only windows we name are ours and the host's parent: either is gone.
        windowGone_ = true;
        open_ = false;
    }
}

void TX11Window::present(const TBitmap &bitmap, const TRect &dirty) {
    if (!isOpen()) {
        return;
    }
    const TRect r =
        dirty.intersected({0, 0, std::min(width_, bitmap.width), std::min(height_, bitmap.height)});
    if (r.isEmpty()) {
        return;
    }
    putPixels(bitmap, r);
    XFlush(display_);
}

void TX11Window::putPixels(const TBitmap &bitmap, const TRect &r) {
    auto *visual = static_cast<Visual *>(visual_);
    XImage *image = XCreateImage(display_, visual, static_cast<unsigned>(depth_), ZPixmap, 0,
                                 nullptr, static_cast<unsigned>(bitmap.width),
                                 static_cast<unsigned>(bitmap.height), 32, 0);
    if (image == nullptr) {
        return;
    }
    const bool direct = image->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                        visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
    if (direct) {
        // The bitmap's 0xAARRGGBB words are the visual's pixels as they are, in our byte order.
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        image->bytes_per_line = bitmap.width * 4;
        image->data = reinterpret_cast<char *>(const_cast<uint32_t *>(bitmap.pixels.data()));
        XPutImage(display_, window_, gc_, image, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.w),
                  static_cast<unsigned>(r.h));
    } else {
        // Any other visual: convert the dirty part pixel by pixel through Xlib.
        image->width = r.w;
        image->height = r.h;
        image->bytes_per_line = (r.w * image->bits_per_pixel + 31) / 32 * 4;
        scratch_.assign(
            static_cast<size_t>(image->bytes_per_line / 4 + 1) * static_cast<size_t>(r.h), 0);
        image->data = reinterpret_cast<char *>(scratch_.data());
        for (int32_t y = 0; y < r.h; ++y) {
            for (int32_t x = 0; x < r.w; ++x) {
                const uint32_t p = bitmap.at(r.x + x, r.y + y);
                XPutPixel(image, x, y,
                          channel((p >> 16) & 0xFF, visual->red_mask) |
                              channel((p >> 8) & 0xFF, visual->green_mask) |
                              channel(p & 0xFF, visual->blue_mask));
            }
        }
        XPutImage(display_, window_, gc_, image, 0, 0, r.x, r.y, static_cast<unsigned>(r.w),
                  static_cast<unsigned>(r.h));
    }
    image->data = nullptr; // the pixels are not Xlib's to free
    XDestroyImage(image);
}

void TX11Window::pumpEvents(TScene &scene) {
    if (display_ == nullptr) {
        return;
    }
    while (!connectionLost_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MotionNotify) {
            // Only the latest of a run of moves matters.
            while (!connectionLost_ && XPending(display_) > 0) {
                XEvent next;
                XPeekEvent(display_, &next);
                if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window) {
                    break;
                }
                XNextEvent(display_, &event);
            }
        }
        dispatch(scene, event);
    }
}

void TX11Window::dispatch(TScene &scene, XEvent &event) {
    if (event.xany.window != window_) {
        return;
    }
    switch (event.type) {
    case Expose: {
        const XExposeEvent &e = event.xexpose;
        scene.invalidate({e.x, e.y, e.width, e.height});
        break;
    }
    case ButtonPress: {
        const XButtonEvent &e = event.xbutton;
        TMouseButton button{};
        if (buttonOf(e.button, button)) {
            // Keys go to the knob clicked last, so the window takes the keyboard on a click.
            XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
            TShiftState shift = shiftOf(e.state);
            shift.setButton(button, true);
            scene.mouseDown(button, shift, e.x, e.y);
        } else if (e.button == Button4 || e.button == Button5) {
            // Wheel notches turn the knob under the pointer one small step each.
            scene.mouseWheel(shiftOf(e.state), e.x, e.y, e.button == Button4 ? 1 : -1);
        }
        break;
    }
    case ButtonRelease: {
        const XButtonEvent &e = event.xbutton;
        TMouseButton button{};
        if (buttonOf(e.button, button)) {
            TShiftState shift = shiftOf(e.state);
            shift.setButton(button, false);
            scene.mouseUp(button, shift, e.x, e.y);
        }
        break;
    }
    case MotionNotify: {
        const XMotionEvent &e = event.xmotion;
        scene.mouseMove(shiftOf(e.state), e.x, e.y);
        break;
    }
    case KeyPress: {
        TKey key{};
        if (keyOf(XLookupKeysym(&event.xkey, 0), key)) {
            scene.keyDown(key, shiftOf(event.xkey.state));
        }
        break;
    }
    case DestroyNotify:
        windowGone_ = true;
        open_ = false;
        break;
    case ClientMessage:
        if (deleteAtom_ != 0 && static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom_) {
            open_ = false; // the standalone window's close box; the owner destroys us
        }
        break;
    default:
        break;
    }
}

TPoint TX11Window::cursorPosition() const {
    if (display_ == nullptr || connectionLost_) {
        return lastCursor_;
    }
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    if (XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &windowX, &windowY,
                      &mask) == 0 &&
        rootReturn == 0) {
        return lastCursor_;
    }
    return {rootX, rootY};
}

void TX11Window::setCursorPosition(int32_t x, int32_t y) {
    lastCursor_ = {x, y};
    if (display_ == nullptr || connectionLost_) {
        return;
    }
    XWarpPointer(display_, None, root_, 0, 0, 0, 0, x, y);
    XFlush(display_);
}

void TX11Window::hideCursor() {
    if (!isOpen() || windowGone_ || cursorHidden_) {
        return;
    }
    XDefineCursor(display_, window_, invisibleCursor_);
    XFlush(display_);
    cursorHidden_ = true;
}

void TX11Window::showCursor() {
    if (!isOpen() || windowGone_ || !cursorHidden_) {
        return;
    }
    XUndefineCursor(display_, window_);
    XFlush(display_);
    cursorHidden_ = false;
}

std::unique_ptr<TWindowBackend> openNativeWindow(uintptr_t parent, int32_t width, int32_t height,
                                                 const char *title) {
    return std::make_unique<TX11Window>(parent, width, height, title);
}

} // namespace frakle::gui
