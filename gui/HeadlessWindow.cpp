// THeadlessWindow: queued input, the simulated cursor and the presented pixels. UI thread only.
#include "gui/HeadlessWindow.h"

#include "gui/PngWriter.h"
#include "gui/Scene.h"

namespace frakle::gui {

THeadlessWindow::THeadlessWindow(int32_t width, int32_t height, TPoint origin)
    : pixels_(width, height, Rgb(0, 0, 0)), origin_(origin), cursor_(origin) {}

void THeadlessWindow::present(const TBitmap &bitmap, const TRect &dirty) {
    const TRect r = dirty.intersected({0, 0, pixels_.width, pixels_.height})
                        .intersected({0, 0, bitmap.width, bitmap.height});
    if (r.isEmpty()) {
        return;
    }
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        for (int32_t x = r.x; x < r.right(); ++x) {
            pixels_.at(x, y) = bitmap.at(x, y);
        }
    }
    presented_.push_back(r);
}

void THeadlessWindow::setCursorPosition(int32_t x, int32_t y) {
    cursor_ = {x, y};
    ++warps_;
}

void THeadlessWindow::mouseDown(TMouseButton button, int32_t x, int32_t y) {
    queue_.push_back({TKind::Down, button, x, y, 0, TKey::Up, modifiers_});
}

void THeadlessWindow::mouseMove(int32_t x, int32_t y) {
    queue_.push_back({TKind::Move, TMouseButton::Left, x, y, 0, TKey::Up, modifiers_});
}

void THeadlessWindow::mouseMoveBy(int32_t dx, int32_t dy) {
    queue_.push_back({TKind::MoveBy, TMouseButton::Left, dx, dy, 0, TKey::Up, modifiers_});
}

void THeadlessWindow::mouseUp(TMouseButton button, int32_t x, int32_t y) {
    queue_.push_back({TKind::Up, button, x, y, 0, TKey::Up, modifiers_});
}

void THeadlessWindow::mouseUp(TMouseButton button) {
    queue_.push_back({TKind::UpHere, button, 0, 0, 0, TKey::Up, modifiers_});
}

void THeadlessWindow::releaseElsewhere(TMouseButton button) {
    queue_.push_back({TKind::Released, button, 0, 0, 0, TKey::Up, modifiers_});
}

void THeadlessWindow::wheel(int32_t x, int32_t y, int32_t steps) {
    queue_.push_back({TKind::Wheel, TMouseButton::Left, x, y, steps, TKey::Up, modifiers_});
}

void THeadlessWindow::key(TKey key) {
    queue_.push_back({TKind::Key, TMouseButton::Left, 0, 0, 0, key, modifiers_});
}

void THeadlessWindow::setModifiers(bool shift, bool ctrl, bool alt) {
    modifiers_.shift = shift;
    modifiers_.ctrl = ctrl;
    modifiers_.alt = alt;
}

void THeadlessWindow::pumpEvents(TScene &scene) {
    // Events that handlers queue meanwhile wait for the next call, as with a real window.
    std::deque<TEvent> events;
    events.swap(queue_);
    for (const TEvent &e : events) {
        if (!open_) {
            return;
        }
        switch (e.kind) {
        case TKind::MoveBy:
            cursor_ = {cursor_.x + e.x, cursor_.y + e.y};
            break;
        case TKind::UpHere:
        case TKind::Released:
        case TKind::Key:
            break;
        default:
            cursor_ = {origin_.x + e.x, origin_.y + e.y};
            break;
        }
        const TPoint at = cursorInWindow();
        TShiftState shift = e.modifiers;
        switch (e.kind) {
        case TKind::Down:
            buttons_.setButton(e.button, true);
            break;
        case TKind::Up:
        case TKind::UpHere:
        case TKind::Released:
            buttons_.setButton(e.button, false);
            break;
        default:
            break;
        }
        shift.left = buttons_.left;
        shift.right = buttons_.right;
        shift.middle = buttons_.middle;
        switch (e.kind) {
        case TKind::Down:
            scene.mouseDown(e.button, shift, at.x, at.y);
            break;
        case TKind::Move:
        case TKind::MoveBy:
            scene.mouseMove(shift, at.x, at.y);
            break;
        case TKind::Up:
        case TKind::UpHere:
            scene.mouseUp(e.button, shift, at.x, at.y);
            break;
        case TKind::Wheel:
            scene.mouseWheel(shift, at.x, at.y, e.steps);
            break;
        case TKind::Key:
            scene.keyDown(e.key, shift);
            break;
        case TKind::Released:
            break;
        }
    }
}

bool THeadlessWindow::savePng(const std::string &path) const { return writePng(pixels_, path); }

} // namespace frakle::gui
