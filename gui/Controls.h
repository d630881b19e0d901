// The widget library's controls: the TControl base (bounds, tag, visibility, parent, mouse
// events), bitmap images, filmstrip knobs, text labels and clipping containers. Controls draw
// into the scene's bitmap in window coordinates and mark what they change dirty. UI thread only.
#pragma once

#include "gui/Bitmap.h"
#include "gui/Input.h"
#include "gui/Painter.h"
#include "gui/Rect.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace frakle::gui {

class TDIBContainer;
class TScene;

class TControl {
public:
    using TMouseButtonEvent =
        std::function<void(TControl &, TMouseButton, TShiftState, int32_t x, int32_t y)>;
    using TMouseMoveEvent = std::function<void(TControl &, TShiftState, int32_t x, int32_t y)>;

    TControl() = default;
    TControl(int32_t left, int32_t top, int32_t width, int32_t height);
    virtual ~TControl();
    TControl(const TControl &) = delete;
    TControl &operator=(const TControl &) = delete;

    // Position and size in the parent container's coordinates.
    int32_t left() const { return bounds_.x; }
    int32_t top() const { return bounds_.y; }
    int32_t width() const { return bounds_.w; }
    int32_t height() const { return bounds_.h; }
    const TRect &bounds() const { return bounds_; }
    void setBounds(const TRect &bounds);
    void moveTo(int32_t left, int32_t top) { setBounds({left, top, bounds_.w, bounds_.h}); }
    void setSize(int32_t width, int32_t height) {
        setBounds({bounds_.x, bounds_.y, width, height});
    }

    bool visible() const { return visible_; }
    void setVisible(bool visible);
    // Visible together with every container above it.
    bool isShowing() const;

    TDIBContainer *parent() const { return parent_; }
    // The scene the control's top container belongs to; null while it is in none.
    TScene *scene() const;
    // The bounds in window coordinates.
    TRect absoluteRect() const;
    // The part of absoluteRect() that the containers above it let through.
    TRect visibleRect() const;

    // Marks the control's visible area dirty in its scene.
    void invalidate();

    // Draws the control at absoluteRect(); the painter is already clipped to it.
    virtual void paint(TPainter &painter);

    // Input from the scene, with x and y relative to the control. The base raises the events
    // below; controls that act on input override these and call the base.
    virtual void mouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void mouseMove(TShiftState shift, int32_t x, int32_t y);
    virtual void mouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    // Wheel notches under the pointer: positive away from the user.
    virtual void mouseWheel(TShiftState shift, int32_t steps);
    // Whether a click gives the control the keyboard focus.
    virtual bool canFocus() const { return false; }
    virtual void keyDown(TKey key, TShiftState shift);

    int32_t tag = 0;
    TMouseButtonEvent onMouseDown;
    TMouseButtonEvent onMouseUp;
    TMouseMoveEvent onMouseMove;

private:
    friend class TDIBContainer;
    friend class TScene;

    TRect bounds_;
    bool visible_ = true;
    TDIBContainer *parent_ = nullptr;
    TScene *scene_ = nullptr; // set on the scene's root only
};

// Image `index` of an image list (frame 0 of a filmstrip), or nothing for -1. At opacity 0 it
// draws nothing but still takes the mouse, which makes it a hit area.
class TDIBImage : public TControl {
public:
    using TControl::TControl;

    const TImageList *images() const { return images_; }
    void setImages(const TImageList *images);
    int32_t index() const { return index_; }
    void setIndex(int32_t index);
    uint8_t opacity() const { return opacity_; }
    void setOpacity(uint8_t opacity);

    void paint(TPainter &painter) override;

private:
    const TImageList *images_ = nullptr;
    int32_t index_ = -1;
    uint8_t opacity_ = 255;
};

// An integer position between min and max drawn as one frame of a filmstrip. A left-button drag
// turns it one smallChange per pixel (upward or rightward) with the cursor hidden and held in
// place; the arrow and page keys turn it while it has the focus (the knob clicked last).
class TDIBKnob : public TControl {
public:
    using TControl::TControl;
    ~TDIBKnob() override;

    // The filmstrip is image `index` of `images`.
    void setImages(const TImageList *images, int32_t index);
    const TImageList *images() const { return images_; }
    int32_t index() const { return index_; }

    int32_t min() const { return min_; }
    int32_t max() const { return max_; }
    int32_t position() const { return position_; }
    // A min above max moves the other end along; the position is kept inside.
    void setMin(int32_t min);
    void setMax(int32_t max);
    // Clamped to min … max; raises onChange when the stored value changes.
    void setPosition(int32_t position);

    int32_t smallChange() const { return smallChange_; }
    void setSmallChange(int32_t step) { smallChange_ = step; }
    int32_t pageSize() const { return pageSize_; }
    void setPageSize(int32_t step) { pageSize_ = step; }
    TOrientation orientation() const { return orientation_; }
    void setOrientation(TOrientation orientation) { orientation_ = orientation; }

    // The filmstrip frame for the position: ((position − min) × frames) div (max − min + 1).
    int32_t frame() const;
    bool isDragging() const { return dragging_; }

    std::function<void(TDIBKnob &)> onChange;

    void paint(TPainter &painter) override;
    void mouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
    void mouseMove(TShiftState shift, int32_t x, int32_t y) override;
    void mouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
    void mouseWheel(TShiftState shift, int32_t steps) override;
    bool canFocus() const override { return true; }
    void keyDown(TKey key, TShiftState shift) override;

private:
    void step(int64_t delta);
    const TImage *strip() const;

    const TImageList *images_ = nullptr;
    int32_t index_ = 0;
    int32_t min_ = 0;
    int32_t max_ = 100;
    int32_t position_ = 0;
    int32_t smallChange_ = 1;
    int32_t pageSize_ = 5;
    TOrientation orientation_ = TOrientation::Vertical;
    bool dragging_ = false;
    TPoint anchor_; // screen position of the cursor when the drag began
};

// One line of text on a transparent background, placed at the top of the control and aligned
// within its width.
class TLabel : public TControl {
public:
    using TControl::TControl;

    const std::string &caption() const { return caption_; }
    void setCaption(std::string_view caption);
    uint32_t colour() const { return colour_; }
    void setColour(uint32_t colour);
    float sizePx() const { return sizePx_; }
    void setSizePx(float sizePx);
    bool bold() const { return bold_; }
    void setBold(bool bold);
    TAlign alignment() const { return alignment_; }
    void setAlignment(TAlign alignment);

    void paint(TPainter &painter) override;

private:
    std::string caption_;
    uint32_t colour_ = Rgb(255, 255, 255);
    float sizePx_ = 9.0f;
    bool bold_ = false;
    TAlign alignment_ = TAlign::Centre;
};

// Owns child controls in z-order (later children on top) and clips them to its bounds; fills
// itself with the background colour, if it has one, under them.
class TDIBContainer : public TControl {
public:
    using TControl::TControl;
    ~TDIBContainer() override;

    // Creates a child on top of the others: add<TDIBKnob>(left, top, width, height).
    template <class T, class... Args> T &add(Args &&...args) {
        auto child = std::make_unique<T>(std::forward<Args>(args)...);
        T &ref = *child;
        adopt(std::move(child));
        return ref;
    }
    TControl &adopt(std::unique_ptr<TControl> child);
    // Destroys a child of this container.
    void remove(TControl &child);
    const std::vector<std::unique_ptr<TControl>> &children() const { return children_; }

    const std::optional<uint32_t> &background() const { return background_; }
    void setBackground(std::optional<uint32_t> colour);

    // The topmost showing control at (x, y) in window coordinates: a child (searched in depth),
    // else this container; null when the point is outside it or it is hidden.
    TControl *controlAt(int32_t x, int32_t y);

    void paint(TPainter &painter) override;

private:
    std::vector<std::unique_ptr<TControl>> children_;
    std::optional<uint32_t> background_;
};

} // namespace frakle::gui
