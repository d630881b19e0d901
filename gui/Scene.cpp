// TScene: dirty-region bookkeeping, painting, mouse capture and focus, and the cursor as the
// controls see it. UI thread only.
#include "gui/Scene.h"

#include "gui/Painter.h"

namespace frakle::gui {

namespace {

// Past this many separate rectangles the region becomes their bounding box.
constexpr size_t kMaxDirtyRects = 16;
constexpr uint32_t kClearColour = Rgb(0, 0, 0);

} // namespace

TScene::TScene(int32_t width, int32_t height)
    : bitmap_(width, height, kClearColour),
      root_(std::make_unique<TDIBContainer>(0, 0, width, height)) {
    root_->scene_ = this;
    invalidateAll();
}

TScene::~TScene() { root_.reset(); }

void TScene::attach(TWindowBackend *window) {
    window_ = window;
    invalidateAll();
}

void TScene::invalidate(const TRect &rect) {
    TRect r = rect.intersected({0, 0, width(), height()});
    if (r.isEmpty()) {
        return;
    }
    // Merge with everything it overlaps until it overlaps nothing, so no pixel is drawn twice.
    for (bool merged = true; merged;) {
        merged = false;
        for (auto it = dirty_.begin(); it != dirty_.end(); ++it) {
            if (it->intersects(r)) {
                r = r.united(*it);
                dirty_.erase(it);
                merged = true;
                break;
            }
        }
    }
    dirty_.push_back(r);
    if (dirty_.size() > kMaxDirtyRects) {
        TRect all;
        for (const TRect &d : dirty_) {
            all = all.united(d);
        }
        dirty_.assign(1, all);
    }
}

std::vector<TRect> TScene::paintDirty() {
    std::vector<TRect> painted;
    painted.swap(dirty_);
    TPainter painter(bitmap_);
    for (const TRect &r : painted) {
        painter.setClip(r);
        painter.fill(r, kClearColour);
        if (root_->visible()) {
            root_->paint(painter);
        }
    }
    return painted;
}

void TScene::update() {
    const std::vector<TRect> painted = paintDirty();
    if (window_ != nullptr) {
        for (const TRect &r : painted) {
            window_->present(bitmap_, r);
        }
    }
}

TControl *TScene::target(int32_t x, int32_t y) {
    return capture_ != nullptr ? capture_ : root_->controlAt(x, y);
}

void TScene::deliverPoint(const TControl &control, int32_t &x, int32_t &y) {
    const TRect r = control.absoluteRect();
    x -= r.x;
    y -= r.y;
}

void TScene::mouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    lastPoint_ = {x, y};
    held_.setButton(button, true);
    TControl *control = target(x, y);
    if (control == nullptr) {
        return;
    }
    capture_ = control;
    if (control->canFocus()) {
        focus_ = control;
    }
    deliverPoint(*control, x, y);
    control->mouseDown(button, shift, x, y);
}

void TScene::mouseMove(TShiftState shift, int32_t x, int32_t y) {
    if (capture_ != nullptr && held_.anyButton() && !shift.anyButton()) {
        // The buttons went up where we did not see it (another client took the pointer): end
        // the press here rather than let a drag go on with no button held.
        for (TMouseButton b : {TMouseButton::Left, TMouseButton::Right, TMouseButton::Middle}) {
            if (held_.holds(b)) {
                mouseUp(b, shift, x, y);
            }
        }
    }
    lastPoint_ = {x, y};
    if (TControl *control = target(x, y)) {
        deliverPoint(*control, x, y);
        control->mouseMove(shift, x, y);
    }
}

void TScene::mouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    lastPoint_ = {x, y};
    held_.setButton(button, false);
    TControl *control = target(x, y);
    if (!held_.anyButton()) {
        capture_ = nullptr;
    }
    if (control != nullptr) {
        deliverPoint(*control, x, y);
        control->mouseUp(button, shift, x, y);
    }
}

void TScene::mouseWheel(TShiftState shift, int32_t x, int32_t y, int32_t steps) {
    if (TControl *control = target(x, y)) {
        control->mouseWheel(shift, steps);
    }
}

void TScene::keyDown(TKey key, TShiftState shift) {
    if (focus_ != nullptr && focus_->isShowing()) {
        focus_->keyDown(key, shift);
    }
}

TPoint TScene::cursorPosition() const {
    return window_ != nullptr ? window_->cursorPosition() : lastPoint_;
}

void TScene::setCursorPosition(TPoint point) {
    if (window_ != nullptr) {
        window_->setCursorPosition(point.x, point.y);
    } else {
        lastPoint_ = point;
    }
}

void TScene::hideCursor() {
    if (window_ != nullptr) {
        window_->hideCursor();
    }
}

void TScene::showCursor() {
    if (window_ != nullptr) {
        window_->showCursor();
    }
}

void TScene::forget(const TControl &control) {
    if (capture_ == &control) {
        capture_ = nullptr;
    }
    if (focus_ == &control) {
        focus_ = nullptr;
    }
}

} // namespace frakle::gui
