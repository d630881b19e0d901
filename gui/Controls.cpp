// The controls: geometry and invalidation, painting of images, knobs, labels and containers, and
// the knob's drag and key handling. UI thread only.
#include "gui/Controls.h"
#include "gui/Scene.h"

#include <algorithm>
#include <limits>

namespace frakle::gui {

// ---- TControl

TControl::TControl(int32_t left, int32_t top, int32_t width, int32_t height)
    : bounds_{left, top, width, height} {}

TControl::~TControl() {
    if (TScene *s = scene()) {
        s->forget(*this);
    }
}

void TControl::setBounds(const TRect &bounds) {
    if (bounds == bounds_) {
        return;
    }
    invalidate();
    bounds_ = bounds;
    invalidate();
}

void TControl::setVisible(bool visible) {
    if (visible == visible_) {
        return;
    }
    if (!visible) {
        invalidate();
    }
    visible_ = visible;
    if (visible) {
        invalidate();
    }
}

bool TControl::isShowing() const {
    for (const TControl *c = this; c != nullptr; c = c->parent_) {
        if (!c->visible_) {
            return false;
        }
    }
    return true;
}

TScene *TControl::scene() const {
    const TControl *c = this;
    while (c->parent_ != nullptr) {
        c = c->parent_;
    }
    return c->scene_;
}

TRect TControl::absoluteRect() const {
    TRect r = bounds_;
    for (const TControl *p = parent_; p != nullptr; p = p->parent_) {
        r = r.translated(p->bounds_.x, p->bounds_.y);
    }
    return r;
}

TRect TControl::visibleRect() const {
    TRect r = absoluteRect();
    for (const TControl *p = parent_; p != nullptr && !r.isEmpty(); p = p->parent_) {
        r = r.intersected(p->absoluteRect());
    }
    return r;
}

void TControl::invalidate() {
    TScene *s = scene();
    if (s != nullptr && isShowing()) {
        s->invalidate(visibleRect());
    }
}

void TControl::paint(TPainter &) {}

void TControl::mouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (onMouseDown) {
        onMouseDown(*this, button, shift, x, y);
    }
}

void TControl::mouseMove(TShiftState shift, int32_t x, int32_t y) {
    if (onMouseMove) {
        onMouseMove(*this, shift, x, y);
    }
}

void TControl::mouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (onMouseUp) {
        onMouseUp(*this, button, shift, x, y);
    }
}

void TControl::mouseWheel(TShiftState, int32_t) {}

void TControl::keyDown(TKey, TShiftState) {}

// ---- TDIBImage

void TDIBImage::setImages(const TImageList *images) {
    if (images != images_) {
        images_ = images;
        invalidate();
    }
}

void TDIBImage::setIndex(int32_t index) {
    if (index != index_) {
        index_ = index;
        invalidate();
    }
}

void TDIBImage::setOpacity(uint8_t opacity) {
    if (opacity != opacity_) {
        opacity_ = opacity;
        invalidate();
    }
}

void TDIBImage::paint(TPainter &painter) {
    if (images_ == nullptr || opacity_ == 0 || index_ < 0 ||
        index_ >= static_cast<int32_t>(images_->images.size())) {
        return;
    }
    const TRect r = absoluteRect();
    painter.blitFrame(images_->images[static_cast<size_t>(index_)], 0, r.x, r.y, opacity_);
}

// ---- TDIBKnob

TDIBKnob::~TDIBKnob() {
    if (dragging_) {
        if (TScene *s = scene()) {
            s->showCursor();
        }
    }
}

void TDIBKnob::setImages(const TImageList *images, int32_t index) {
    if (images != images_ || index != index_) {
        images_ = images;
        index_ = index;
        invalidate();
    }
}

const TImage *TDIBKnob::strip() const {
    if (images_ == nullptr || index_ < 0 ||
        index_ >= static_cast<int32_t>(images_->images.size())) {
        return nullptr;
    }
    return &images_->images[static_cast<size_t>(index_)];
}

void TDIBKnob::setMin(int32_t min) {
    min_ = min;
    max_ = std::max(max_, min_);
    setPosition(position_);
    invalidate(); // the frame depends on the range as well
}

void TDIBKnob::setMax(int32_t max) {
    max_ = max;
    min_ = std::min(min_, max_);
    setPosition(position_);
    invalidate();
}

void TDIBKnob::setPosition(int32_t position) {
    position = std::clamp(position, min_, max_);
    if (position == position_) {
        return;
    }
    const int32_t before = frame();
    position_ = position;
    if (frame() != before) {
        invalidate();
    }
    if (onChange) {
        onChange(*this);
    }
}

void TDIBKnob::step(int64_t delta) {
    const int64_t target = std::clamp<int64_t>(int64_t{position_} + delta, min_, max_);
    setPosition(static_cast<int32_t>(target));
}

int32_t TDIBKnob::frame() const {
    const TImage *image = strip();
    const int64_t frames = image != nullptr ? std::max(image->frames, 1) : 1;
    const int64_t span = int64_t{max_} - min_ + 1;
    return static_cast<int32_t>((int64_t{position_} - min_) * frames / span);
}

void TDIBKnob::paint(TPainter &painter) {
    if (const TImage *image = strip()) {
        const TRect r = absoluteRect();
        painter.blitFrame(*image, frame(), r.x, r.y);
    }
}

void TDIBKnob::mouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TScene *s = scene();
    if (button == TMouseButton::Left && s != nullptr) {
        anchor_ = s->cursorPosition();
        if (!dragging_) {
            s->hideCursor();
            dragging_ = true;
        }
    }
    TControl::mouseDown(button, shift, x, y);
}

void TDIBKnob::mouseMove(TShiftState shift, int32_t x, int32_t y) {
    TScene *s = scene();
    if (dragging_ && s != nullptr) {
        const TPoint now = s->cursorPosition();
        if (now != anchor_) {
            // Back to where the drag began, so that the screen edge never stops it.
            s->setCursorPosition(anchor_);
            const int64_t moved = orientation_ == TOrientation::Vertical
                                      ? int64_t{anchor_.y} - now.y
                                      : int64_t{now.x} - anchor_.x;
            step(moved * smallChange_);
        }
    }
    TControl::mouseMove(shift, x, y);
}

void TDIBKnob::mouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TScene *s = scene();
    if (button == TMouseButton::Left && dragging_) {
        dragging_ = false;
        if (s != nullptr) {
            s->setCursorPosition(anchor_);
            s->showCursor();
        }
    }
    TControl::mouseUp(button, shift, x, y);
}

void TDIBKnob::mouseWheel(TShiftState, int32_t steps) { step(int64_t{steps} * smallChange_); }

void TDIBKnob::keyDown(TKey key, TShiftState) {
    switch (key) {
    case TKey::Up:
    case TKey::Right:
        step(smallChange_);
        break;
    case TKey::Down:
    case TKey::Left:
        step(-int64_t{smallChange_});
        break;
    case TKey::PageUp:
        step(pageSize_);
        break;
    case TKey::PageDown:
        step(-int64_t{pageSize_});
        break;
    }
}

// ---- TLabel

void TLabel::setCaption(std::string_view caption) {
    if (caption != caption_) {
        caption_ = caption;
        invalidate();
    }
}

void TLabel::setColour(uint32_t colour) {
    if (colour != colour_) {
        colour_ = colour;
        invalidate();
    }
}

void TLabel::setSizePx(float sizePx) {
    if (sizePx != sizePx_) {
        sizePx_ = sizePx;
        invalidate();
    }
}

void TLabel::setBold(bool bold) {
    if (bold != bold_) {
        bold_ = bold;
        invalidate();
    }
}

void TLabel::setAlignment(TAlign alignment) {
    if (alignment != alignment_) {
        alignment_ = alignment;
        invalidate();
    }
}

void TLabel::paint(TPainter &painter) {
    const TRect r = absoluteRect();
    painter.text(r.x, r.y, caption_, sizePx_, colour_, alignment_, r.w, bold_);
}

// ---- TDIBContainer

TDIBContainer::~TDIBContainer() {
    // Children go first, while this container (and the scene above it) can still be reached.
    while (!children_.empty()) {
        children_.pop_back();
    }
}

TControl &TDIBContainer::adopt(std::unique_ptr<TControl> child) {
    TControl &ref = *child;
    ref.parent_ = this;
    children_.push_back(std::move(child));
    ref.invalidate();
    return ref;
}

void TDIBContainer::remove(TControl &child) {
    const auto it =
        std::find_if(children_.begin(), children_.end(),
                     [&](const std::unique_ptr<TControl> &c) { return c.get() == &child; });
    if (it == children_.end()) {
        return;
    }
    child.invalidate();
    std::unique_ptr<TControl> gone = std::move(*it);
    children_.erase(it);
    gone.reset(); // still has its parent pointer, so it can find the scene to leave it
}

void TDIBContainer::setBackground(std::optional<uint32_t> colour) {
    if (colour != background_) {
        background_ = colour;
        invalidate();
    }
}

TControl *TDIBContainer::controlAt(int32_t x, int32_t y) {
    if (!visible() || !absoluteRect().contains(x, y)) {
        return nullptr;
    }
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        TControl &child = **it;
        if (!child.visible() || !child.absoluteRect().contains(x, y)) {
            continue;
        }
        if (auto *container = dynamic_cast<TDIBContainer *>(&child)) {
            return container->controlAt(x, y);
        }
        return &child;
    }
    return this;
}

void TDIBContainer::paint(TPainter &painter) {
    const TRect area = absoluteRect();
    const TRect outer = painter.intersectClip(area);
    if (!painter.clip().isEmpty()) {
        if (background_) {
            painter.fill(area, *background_);
        }
        for (const std::unique_ptr<TControl> &child : children_) {
            if (!child->visible()) {
                continue;
            }
            const TRect inner = painter.intersectClip(child->absoluteRect());
            if (!painter.clip().isEmpty()) {
                child->paint(painter);
            }
            painter.setClip(inner);
        }
    }
    painter.setClip(outer);
}

} // namespace frakle::gui
