// TPainter: straight-alpha compositing, distance-based anti-aliasing for shapes, an
// area-accumulating polygon filler, bitmap blits and text from the glyph cache.
#include "gui/Painter.h"
#include "gui/Font.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace frakle::gui {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

uint32_t alphaOf(uint32_t c) { return c >> 24; }

// x / 255, rounded, for x in 0 … 255².
uint32_t div255(uint32_t x) {
    const uint32_t t = x + 128;
    return (t + (t >> 8)) >> 8;
}

// x * y / 255, rounded, for x and y in 0 … 255.
uint32_t mul255(uint32_t x, uint32_t y) { return div255(x * y); }

// Divides both 16-bit lanes of x (red and blue, each at most 255²) by 255, rounded.
uint32_t div255Lanes(uint32_t x) {
    const uint32_t t = x + 0x00800080u;
    return ((t + ((t >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Source-over onto an opaque pixel, the source's red and blue (side by side in one word) and
// green already multiplied by its alpha; inv = 255 − alpha.
uint32_t overOpaque(uint32_t d, uint32_t rbTimesA, uint32_t gTimesA, uint32_t inv) {
    const uint32_t rb = div255Lanes(rbTimesA + (d & 0x00FF00FFu) * inv);
    const uint32_t g = div255Lanes(gTimesA + ((d >> 8) & 0xFFu) * inv);
    return 0xFF000000u | rb | (g << 8);
}

// Source-over of colour's RGB at alpha a (0 … 255) onto d, straight alpha on both sides.
void compose(uint32_t &d, uint32_t colour, uint32_t a) {
    if (a == 0) {
        return;
    }
    if (a == 255) {
        d = colour | 0xFF000000u;
        return;
    }
    const uint32_t da = alphaOf(d);
    const uint32_t inv = 255 - a;
    if (da == 255) {
        d = overOpaque(d, (colour & 0x00FF00FFu) * a, ((colour >> 8) & 0xFFu) * a, inv);
        return;
    }
    // Weights scaled by 255: the source's a·255, the destination's da·(255 − a).
    const uint32_t ws = a * 255;
    const uint32_t wd = da * inv;
    const uint32_t sum = ws + wd;
    uint32_t out = ((sum + 127) / 255) << 24;
    for (uint32_t shift = 0; shift <= 16; shift += 8) {
        const uint32_t s = (colour >> shift) & 0xFFu;
        const uint32_t c = (d >> shift) & 0xFFu;
        out |= ((s * ws + c * wd + sum / 2) / sum) << shift;
    }
    d = out;
}

uint32_t withAlpha(uint32_t colour, float factor) {
    const float a = static_cast<float>(alphaOf(colour)) * std::clamp(factor, 0.0f, 1.0f);
    return (colour & 0x00FFFFFFu) | (static_cast<uint32_t>(std::lround(a)) << 24);
}

// Coverage of a pixel whose centre lies at signed distance d from a shape's edge.
float coverageAt(float d) { return std::clamp(0.5f - d, 0.0f, 1.0f); }

// Strokes thinner than a pixel are drawn one pixel wide and fainter.
void thinStroke(float &width, uint32_t &colour) {
    if (width < 1.0f) {
        colour = withAlpha(colour, std::max(width, 0.0f));
        width = 1.0f;
    }
}

// Distance from p to the ray from the origin along unit vector (ux, uy).
float rayDistance(float px, float py, float ux, float uy) {
    const float t = px * ux + py * uy;
    if (t <= 0.0f) {
        return std::hypot(px, py);
    }
    return std::fabs(px * uy - py * ux);
}

// Adds one polygon edge to an accumulation buffer of width w, h rows (font-rs's method): each
// cell gets the signed area the edge adds to it and to the right, summed along rows later.
void accumulateEdge(std::vector<float> &acc, int32_t w, int32_t h, TPointF p0, TPointF p1) {
    if (std::fabs(p0.y - p1.y) <= 1e-6f) {
        return;
    }
    float dir = 1.0f;
    if (p0.y > p1.y) {
        std::swap(p0, p1);
        dir = -1.0f;
    }
    const float dxdy = (p1.x - p0.x) / (p1.y - p0.y);
    float x = p0.x;
    if (p0.y < 0.0f) {
        x -= p0.y * dxdy;
    }
    const float maxX = static_cast<float>(w - 2);
    const int32_t yEnd = std::min(h, static_cast<int32_t>(std::ceil(p1.y)));
    for (int32_t y = std::max(0, static_cast<int32_t>(p0.y)); y < yEnd; ++y) {
        float *row = acc.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        const float dy =
            std::min(static_cast<float>(y + 1), p1.y) - std::max(static_cast<float>(y), p0.y);
        const float xNext = x + dxdy * dy;
        const float d = dy * dir;
        const float xa = std::clamp(std::min(x, xNext), 0.0f, maxX);
        const float xb = std::clamp(std::max(x, xNext), 0.0f, maxX);
        const float xaFloor = std::floor(xa);
        const auto xai = static_cast<int32_t>(xaFloor);
        const float xbCeil = std::ceil(xb);
        const auto xbi = static_cast<int32_t>(xbCeil);
        if (xbi <= xai + 1) {
            const float xmf = 0.5f * (xa + xb) - xaFloor;
            row[xai] += d - d * xmf;
            row[xai + 1] += d * xmf;
        } else {
            const float s = 1.0f / (xb - xa);
            const float xaf = xa - xaFloor;
            const float a0 = 0.5f * s * (1.0f - xaf) * (1.0f - xaf);
            const float xbf = xb - xbCeil + 1.0f;
            const float am = 0.5f * s * xbf * xbf;
            row[xai] += d * a0;
            if (xbi == xai + 2) {
                row[xai + 1] += d * (1.0f - a0 - am);
            } else {
                const float a1 = s * (1.5f - xaf);
                row[xai + 1] += d * (a1 - a0);
                for (int32_t xi = xai + 2; xi < xbi - 1; ++xi) {
                    row[xi] += d * s;
                }
                const float a2 = a1 + static_cast<float>(xbi - xai - 3) * s;
                row[xbi - 1] += d * (1.0f - a2 - am);
            }
            row[xbi] += d * am;
        }
        x = xNext;
    }
}

// 4 × 4 ordered-dither thresholds in [0, 1).
float bayer(int32_t x, int32_t y) {
    static constexpr uint8_t kMatrix[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (static_cast<float>(kMatrix[y & 3][x & 3]) + 0.5f) / 16.0f;
}

} // namespace

TPainter::TPainter(TBitmap &target) : target_(target) { clearClip(); }

void TPainter::setClip(const TRect &clip) {
    clip_ = clip.intersected({0, 0, target_.width, target_.height});
}

TRect TPainter::intersectClip(const TRect &rect) {
    const TRect previous = clip_;
    clip_ = clip_.intersected(rect);
    return previous;
}

void TPainter::clearClip() { clip_ = {0, 0, target_.width, target_.height}; }

void TPainter::blendPixel(int32_t x, int32_t y, uint32_t colour, uint32_t coverage) {
    if (clip_.contains(x, y)) {
        compose(target_.at(x, y), colour, mul255(alphaOf(colour), std::min(coverage, 255u)));
    }
}

void TPainter::fill(const TRect &rect, uint32_t colour) {
    const TRect r = rect.intersected(clip_);
    const uint32_t a = alphaOf(colour);
    if (r.isEmpty() || a == 0) {
        return;
    }
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        uint32_t *row = &target_.at(r.x, y);
        if (a == 255) {
            std::fill(row, row + r.w, colour);
        } else {
            const uint32_t rb = (colour & 0x00FF00FFu) * a;
            const uint32_t g = ((colour >> 8) & 0xFFu) * a;
            for (int32_t i = 0; i < r.w; ++i) {
                if (alphaOf(row[i]) == 255) {
                    row[i] = overOpaque(row[i], rb, g, 255 - a);
                } else {
                    compose(row[i], colour, a);
                }
            }
        }
    }
}

template <class Distance>
void TPainter::shade(float x0, float y0, float x1, float y1, uint32_t colour,
                     const Distance &distance) {
    const uint32_t alpha = alphaOf(colour);
    if (alpha == 0) {
        return;
    }
    const int32_t left = std::max(clip_.x, static_cast<int32_t>(std::floor(x0)));
    const int32_t top = std::max(clip_.y, static_cast<int32_t>(std::floor(y0)));
    const int32_t right = std::min(clip_.right(), static_cast<int32_t>(std::ceil(x1)));
    const int32_t bottom = std::min(clip_.bottom(), static_cast<int32_t>(std::ceil(y1)));
    for (int32_t y = top; y < bottom; ++y) {
        const float py = static_cast<float>(y) + 0.5f;
        for (int32_t x = left; x < right; ++x) {
            const float cov = coverageAt(distance(static_cast<float>(x) + 0.5f, py));
            if (cov > 0.0f) {
                const auto a = static_cast<uint32_t>(std::lround(static_cast<float>(alpha) * cov));
                compose(target_.at(x, y), colour, a);
            }
        }
    }
}

namespace {

// Signed distance to a rectangle with rounded corners (negative inside).
struct TRoundRectDistance {
    float cx, cy, hx, hy, r;
    float operator()(float px, float py) const {
        const float qx = std::fabs(px - cx) - hx + r;
        const float qy = std::fabs(py - cy) - hy + r;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - r;
    }
};

TRoundRectDistance roundRectDistance(const TRect &rect, float radius) {
    const float hx = static_cast<float>(rect.w) * 0.5f;
    const float hy = static_cast<float>(rect.h) * 0.5f;
    return {static_cast<float>(rect.x) + hx, static_cast<float>(rect.y) + hy, hx, hy,
            std::clamp(radius, 0.0f, std::min(hx, hy))};
}

} // namespace

void TPainter::fillRoundRect(const TRect &rect, float radius, uint32_t colour) {
    if (rect.isEmpty()) {
        return;
    }
    if (radius <= 0.0f) {
        fill(rect, colour);
        return;
    }
    const TRoundRectDistance d = roundRectDistance(rect, radius);
    shade(static_cast<float>(rect.x), static_cast<float>(rect.y), static_cast<float>(rect.right()),
          static_cast<float>(rect.bottom()), colour, d);
}

void TPainter::strokeRoundRect(const TRect &rect, float radius, float width, uint32_t colour) {
    if (rect.isEmpty() || width <= 0.0f) {
        return;
    }
    thinStroke(width, colour);
    const TRoundRectDistance d = roundRectDistance(rect, radius);
    shade(static_cast<float>(rect.x), static_cast<float>(rect.y), static_cast<float>(rect.right()),
          static_cast<float>(rect.bottom()), colour, [&](float px, float py) {
              const float outer = d(px, py);
              return std::max(outer, -(outer + width));
          });
}

void TPainter::fillGradient(const TRect &rect, uint32_t from, uint32_t to,
                            TOrientation orientation) {
    const TRect r = rect.intersected(clip_);
    if (r.isEmpty()) {
        return;
    }
    const bool vertical = orientation == TOrientation::Vertical;
    const int32_t steps = (vertical ? rect.h : rect.w) - 1;
    // Interpolated premultiplied so that a fade to transparent keeps its colour.
    float a[2], c[2][3];
    for (int32_t k = 0; k < 2; ++k) {
        const uint32_t col = k == 0 ? from : to;
        a[k] = static_cast<float>(alphaOf(col));
        for (int32_t ch = 0; ch < 3; ++ch) {
            c[k][ch] = static_cast<float>((col >> (16 - 8 * ch)) & 0xFFu) * a[k] / 255.0f;
        }
    }
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        for (int32_t x = r.x; x < r.right(); ++x) {
            const int32_t i = vertical ? y - rect.y : x - rect.x;
            const float t = steps > 0 ? static_cast<float>(i) / static_cast<float>(steps) : 0.0f;
            const float dither = bayer(x, y);
            const float alpha = a[0] + (a[1] - a[0]) * t;
            const auto aq =
                static_cast<uint32_t>(std::clamp(std::floor(alpha + dither), 0.0f, 255.0f));
            if (aq == 0) {
                continue;
            }
            uint32_t colour = 0;
            for (int32_t ch = 0; ch < 3; ++ch) {
                const float premul = c[0][ch] + (c[1][ch] - c[0][ch]) * t;
                const float v =
                    std::clamp(std::floor(premul * 255.0f / alpha + dither), 0.0f, 255.0f);
                colour |= static_cast<uint32_t>(v) << (16 - 8 * ch);
            }
            compose(target_.at(x, y), colour, aq);
        }
    }
}

void TPainter::line(float x0, float y0, float x1, float y1, float width, uint32_t colour,
                    TLineCap cap) {
    if (width <= 0.0f) {
        return;
    }
    thinStroke(width, colour);
    const float hw = width * 0.5f;
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float length = std::hypot(dx, dy);
    if (length < 1e-6f) {
        if (cap == TLineCap::Round) {
            fillCircle(x0, y0, hw, colour);
        }
        return;
    }
    const float ux = dx / length;
    const float uy = dy / length;
    const float pad = hw + 1.0f;
    shade(std::min(x0, x1) - pad, std::min(y0, y1) - pad, std::max(x0, x1) + pad,
          std::max(y0, y1) + pad, colour, [&](float px, float py) {
              const float rx = px - x0;
              const float ry = py - y0;
              const float along = rx * ux + ry * uy;
              const float across = std::fabs(rx * uy - ry * ux);
              if (cap == TLineCap::Butt) {
                  return std::max(across - hw, std::fabs(along - length * 0.5f) - length * 0.5f);
              }
              const float t = std::clamp(along, 0.0f, length);
              return std::hypot(rx - ux * t, ry - uy * t) - hw;
          });
}

void TPainter::fillCircle(float cx, float cy, float r, uint32_t colour) {
    if (r <= 0.0f) {
        return;
    }
    shade(cx - r - 1.0f, cy - r - 1.0f, cx + r + 1.0f, cy + r + 1.0f, colour,
          [&](float px, float py) { return std::hypot(px - cx, py - cy) - r; });
}

void TPainter::strokeCircle(float cx, float cy, float r, float width, uint32_t colour) {
    if (width <= 0.0f || r <= 0.0f) {
        return;
    }
    thinStroke(width, colour);
    const float hw = width * 0.5f;
    const float e = r + hw + 1.0f;
    shade(cx - e, cy - e, cx + e, cy + e, colour,
          [&](float px, float py) { return std::fabs(std::hypot(px - cx, py - cy) - r) - hw; });
}

void TPainter::arc(float cx, float cy, float r, float width, float startAngle, float endAngle,
                   uint32_t colour) {
    if (width <= 0.0f || r <= 0.0f) {
        return;
    }
    if (endAngle < startAngle) {
        std::swap(startAngle, endAngle);
    }
    float span = endAngle - startAngle;
    if (span >= kTwoPi) {
        strokeCircle(cx, cy, r, width, colour);
        return;
    }
    if (span <= 0.0f) {
        return;
    }
    // Segments shorter than a pixel along the radius are drawn a pixel long and fainter, as thin
    // strokes are.
    const float minSpan = 1.0f / r;
    if (span < minSpan) {
        colour = withAlpha(colour, span / minSpan);
        startAngle -= 0.5f * (minSpan - span);
        span = minSpan;
        endAngle = startAngle + span;
    }
    thinStroke(width, colour);
    const float hw = width * 0.5f;
    // Clockwise from 12 o'clock with y pointing down: angle θ lies along (sin θ, −cos θ).
    const float sx = std::sin(startAngle), sy = -std::cos(startAngle);
    const float ex = std::sin(endAngle), ey = -std::cos(endAngle);
    const float e = r + hw + 1.0f;
    shade(cx - e, cy - e, cx + e, cy + e, colour, [&](float px, float py) {
        const float rx = px - cx;
        const float ry = py - cy;
        const float ring = std::fabs(std::hypot(rx, ry) - r) - hw;
        if (ring >= 0.5f) {
            return ring;
        }
        float rel = std::fmod(std::atan2(rx, -ry) - startAngle, kTwoPi);
        if (rel < 0.0f) {
            rel += kTwoPi;
        }
        const float toEdge = std::min(rayDistance(rx, ry, sx, sy), rayDistance(rx, ry, ex, ey));
        return std::max(ring, rel <= span ? -toEdge : toEdge);
    });
}

void TPainter::fillPolygon(const std::vector<TPointF> &points, uint32_t colour) {
    const uint32_t alpha = alphaOf(colour);
    if (points.size() < 3 || alpha == 0) {
        return;
    }
    float minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (const TPointF &p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            return;
        }
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    // Columns cover the whole polygon (coverage accumulates from its left edge); rows only the
    // clip's.
    const auto left = static_cast<int32_t>(std::floor(minX));
    const auto right = static_cast<int32_t>(std::ceil(maxX));
    const int32_t top = std::max(clip_.y, static_cast<int32_t>(std::floor(minY)));
    const int32_t bottom = std::min(clip_.bottom(), static_cast<int32_t>(std::ceil(maxY)));
    if (bottom <= top || right <= clip_.x || left >= clip_.right() || right - left > 1 << 14) {
        return;
    }
    const int32_t w = right - left + 2;
    const int32_t h = bottom - top;
    std::vector<float> acc(static_cast<size_t>(w) * static_cast<size_t>(h), 0.0f);
    const auto local = [&](const TPointF &p) {
        return TPointF{p.x - static_cast<float>(left), p.y - static_cast<float>(top)};
    };
    for (size_t i = 0; i < points.size(); ++i) {
        accumulateEdge(acc, w, h, local(points[i]), local(points[(i + 1) % points.size()]));
    }
    const int32_t x0 = std::max(clip_.x, left);
    const int32_t x1 = std::min(clip_.right(), left + w);
    for (int32_t y = 0; y < h; ++y) {
        const float *row = acc.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        float sum = 0.0f;
        for (int32_t i = 0; i < x1 - left; ++i) {
            sum += row[i];
            const int32_t x = left + i;
            if (x < x0) {
                continue;
            }
            const float cov = std::min(std::fabs(sum), 1.0f);
            const auto a = static_cast<uint32_t>(std::lround(static_cast<float>(alpha) * cov));
            compose(target_.at(x, top + y), colour, a);
        }
    }
}

void TPainter::blit(const TBitmap &src, const TRect &srcRect, int32_t dstX, int32_t dstY,
                    uint8_t opacity) {
    const TRect s = srcRect.intersected({0, 0, src.width, src.height});
    if (s.isEmpty() || opacity == 0) {
        return;
    }
    dstX += s.x - srcRect.x;
    dstY += s.y - srcRect.y;
    const TRect d = TRect{dstX, dstY, s.w, s.h}.intersected(clip_);
    if (d.isEmpty()) {
        return;
    }
    const int32_t offX = s.x - dstX;
    const int32_t offY = s.y - dstY;
    for (int32_t y = d.y; y < d.bottom(); ++y) {
        const uint32_t *in = src.pixels.data() +
                             static_cast<size_t>(y + offY) * static_cast<size_t>(src.width) +
                             static_cast<size_t>(d.x + offX);
        uint32_t *out = &target_.at(d.x, y);
        for (int32_t i = 0; i < d.w; ++i) {
            compose(out[i], in[i], mul255(alphaOf(in[i]), opacity));
        }
    }
}

void TPainter::blitFrame(const TImage &image, int32_t frame, int32_t x, int32_t y,
                         uint8_t opacity) {
    const int32_t frames = std::max(image.frames, 1);
    const int32_t fw = image.frameWidth();
    frame = std::clamp(frame, 0, frames - 1);
    blit(image.bitmap, {frame * fw, 0, fw, image.bitmap.height}, x, y, opacity);
}

void TPainter::text(int32_t x, int32_t y, std::string_view str, float sizePx, uint32_t colour,
                    TAlign align, int32_t width, bool bold) {
    const uint32_t alpha = alphaOf(colour);
    if (str.empty() || alpha == 0) {
        return;
    }
    auto lock = lockFonts();
    TFontFace &face = fontFace(sizePx, bold ? TFontStyle::Bold : TFontStyle::Regular);
    const TGlyphRun run = layoutText(face, str);
    if (align == TAlign::Centre) {
        x += (width - run.width) / 2;
    } else if (align == TAlign::Right) {
        x += width - run.width;
    }
    const int32_t baseline = y + metricsOf(face).ascent;
    for (const TGlyphRun::TItem &item : run.items) {
        const TGlyph &g = *item.glyph;
        const TRect box = TRect{x + item.x + g.left, baseline + g.top, g.width, g.height};
        const TRect r = box.intersected(clip_);
        for (int32_t py = r.y; py < r.bottom(); ++py) {
            const uint8_t *cov =
                &g.coverage[static_cast<size_t>(py - box.y) * static_cast<size_t>(g.width)];
            uint32_t *out = &target_.at(0, py);
            for (int32_t px = r.x; px < r.right(); ++px) {
                compose(out[px], colour, mul255(alpha, cov[px - box.x]));
            }
        }
    }
}

TSize TPainter::measureText(std::string_view str, float sizePx, bool bold) {
    auto lock = lockFonts();
    TFontFace &face = fontFace(sizePx, bold ? TFontStyle::Bold : TFontStyle::Regular);
    return {str.empty() ? 0 : layoutText(face, str).width, metricsOf(face).lineHeight};
}

} // namespace frakle::gui
