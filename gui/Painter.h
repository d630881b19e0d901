// TPainter: draws into a TBitmap through an optional clip rectangle. Everything composites
// source-over with straight alpha; shapes are anti-aliased from float coordinates in which pixel
// (i, j) covers [i, i + 1] × [j, j + 1], so a crisp one-pixel line runs along j + 0.5.
#pragma once

#include "gui/Bitmap.h"
#include "gui/Rect.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace frakle::gui {

enum class TAlign : uint8_t { Left, Centre, Right };
enum class TOrientation : uint8_t { Vertical, Horizontal };
enum class TLineCap : uint8_t { Round, Butt };

class TPainter {
public:
    explicit TPainter(TBitmap &target);

    TBitmap &target() { return target_; }

    // The clip is always inside the bitmap; setClip replaces it, intersectClip narrows it and
    // returns the one it replaced (to hand back to setClip later).
    TRect clip() const { return clip_; }
    void setClip(const TRect &clip);
    TRect intersectClip(const TRect &rect);
    void clearClip();

    void fill(const TRect &rect, uint32_t colour);
    // Corners of `radius` pixels (at most half the shorter side), anti-aliased.
    void fillRoundRect(const TRect &rect, float radius, uint32_t colour);
    // An outline of `width` pixels lying inside the rectangle.
    void strokeRoundRect(const TRect &rect, float radius, float width, uint32_t colour);
    // `from` at the first row (or column), `to` at the last, dithered against banding.
    void fillGradient(const TRect &rect, uint32_t from, uint32_t to,
                      TOrientation orientation = TOrientation::Vertical);

    // Anti-aliased; widths under a pixel draw a one-pixel line at lower opacity.
    void line(float x0, float y0, float x1, float y1, float width, uint32_t colour,
              TLineCap cap = TLineCap::Round);
    void fillCircle(float cx, float cy, float r, uint32_t colour);
    // A ring of `width` pixels centred on radius r.
    void strokeCircle(float cx, float cy, float r, float width, uint32_t colour);
    // A ring segment of `width` pixels centred on radius r with square ends. Angles are in radians,
    // clockwise from 12 o'clock (so a knob's travel is -3π/4 … 3π/4); the segment runs from the
    // smaller angle to the larger, and a span of 2π or more is a full ring.
    void arc(float cx, float cy, float r, float width, float startAngle, float endAngle,
             uint32_t colour);
    // Non-zero winding, exact area coverage.
    void fillPolygon(const std::vector<TPointF> &points, uint32_t colour);

    // Draws srcRect of src (clipped to src) with its top-left at (dstX, dstY), its alpha scaled
    // by opacity.
    void blit(const TBitmap &src, const TRect &srcRect, int32_t dstX, int32_t dstY,
              uint8_t opacity = 255);
    // One frame of a filmstrip (clamped to the frames there are).
    void blitFrame(const TImage &image, int32_t frame, int32_t x, int32_t y, uint8_t opacity = 255);

    // One line of DejaVu Sans (UTF-8 or Latin-1) with its line box's top at y. Left: starts at x;
    // Centre and Right: placed within [x, x + width). sizePx is the em size in pixels.
    void text(int32_t x, int32_t y, std::string_view str, float sizePx, uint32_t colour,
              TAlign align = TAlign::Left, int32_t width = 0, bool bold = false);
    // The line box text() fills: the advance width (rounded up) by the line height.
    static TSize measureText(std::string_view str, float sizePx, bool bold = false);

    // Composites colour over one pixel with its alpha scaled by coverage (0 … 255), if the pixel
    // is inside the clip.
    void blendPixel(int32_t x, int32_t y, uint32_t colour, uint32_t coverage = 255);

private:
    template <class Distance>
    void shade(float x0, float y0, float x1, float y1, uint32_t colour, const Distance &distance);

    TBitmap &target_;
    TRect clip_;
};

} // namespace frakle::gui
