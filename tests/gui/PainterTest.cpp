// The painter measured on its output: clip, coverage and area of shapes, compositing, blits,
// text boxes and stem sharpness, and the PNG written for a bitmap.
#include "gui/Painter.h"
#include "gui/Font.h"
#include "gui/PngWriter.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>

namespace frakle::gui {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kBlack = Rgb(0, 0, 0);
using Draw = std::function<void(TPainter &)>;

uint32_t alpha(uint32_t c) { return c >> 24; }
uint32_t red(uint32_t c) { return (c >> 16) & 0xFFu; }

// Total coverage, in pixels, of a shape drawn opaque onto a transparent bitmap.
double area(const TBitmap &b) {
    double sum = 0.0;
    for (uint32_t p : b.pixels) {
        sum += alpha(p) / 255.0;
    }
    return sum;
}

// The smallest rectangle holding every pixel that differs from `background`.
TRect inkBox(const TBitmap &b, uint32_t background) {
    TRect box;
    for (int32_t y = 0; y < b.height; ++y) {
        for (int32_t x = 0; x < b.width; ++x) {
            if (b.at(x, y) != background) {
                box = box.united({x, y, 1, 1});
            }
        }
    }
    return box;
}

TBitmap drawn(const Draw &draw, int32_t w = 80, int32_t h = 80, uint32_t background = 0) {
    TBitmap b(w, h, background);
    TPainter p(b);
    draw(p);
    return b;
}

TEST(Painter, CompositesSourceOverWithStraightAlpha) {
    TBitmap b(3, 1, 0);
    b.at(1, 0) = kBlack;
    b.at(2, 0) = Argb(128, 0, 0, 255);
    TPainter p(b);
    p.fill({0, 0, 3, 1}, Argb(128, 255, 0, 0));
    // Over transparent the colour keeps its own value; over black it is mixed by half.
    EXPECT_EQ(b.at(0, 0), Argb(128, 255, 0, 0));
    EXPECT_EQ(b.at(1, 0), Argb(255, 128, 0, 0));
    // Over half-transparent blue: alpha 1 - (1 - ½)², red weighted 2:1 against blue.
    EXPECT_NEAR(alpha(b.at(2, 0)), 192, 1);
    EXPECT_NEAR(red(b.at(2, 0)), 170, 1);
    EXPECT_NEAR(b.at(2, 0) & 0xFFu, 85, 1);
    p.fill({0, 0, 3, 1}, Argb(0, 255, 255, 255)); // fully transparent: nothing changes
    EXPECT_EQ(b.at(1, 0), Argb(255, 128, 0, 0));
}

TEST(Painter, EveryPrimitiveStaysInsideTheClip) {
    const TBitmap src(40, 40, kWhite);
    const TImage strip{TBitmap(80, 40, kWhite), 2};
    const TRect clip{13, 7, 11, 9}, all{0, 0, 40, 40}, inset{2, 2, 36, 36};
    const std::vector<TPointF> triangle{{-10, 0}, {50, 5}, {20, 40}};
    const Draw draws[] = {
        [&](TPainter &p) { p.fill(all, kWhite); },
        [&](TPainter &p) { p.fillRoundRect(inset, 8.0f, kWhite); },
        [&](TPainter &p) { p.fillGradient(all, kWhite, kBlack, TOrientation::Horizontal); },
        [](TPainter &p) { p.fillCircle(20, 12, 15, kWhite); },
        [](TPainter &p) { p.arc(18, 12, 10, 6, -kPi, kPi * 0.9f, kWhite); },
        [](TPainter &p) { p.line(0, 0, 40, 30, 5, kWhite); },
        [&](TPainter &p) { p.fillPolygon(triangle, kWhite); },
        [&](TPainter &p) { p.blit(src, all, 0, 0); },
        [&](TPainter &p) { p.blitFrame(strip, 1, 0, 0); },
        [](TPainter &p) { p.text(10, 4, "WWWWWW", 11.0f, kWhite, TAlign::Left, 0, true); }};
    for (size_t i = 0; i < std::size(draws); ++i) {
        TBitmap b(40, 40, kBlack);
        TPainter p(b);
        p.setClip(clip);
        draws[i](p);
        const TRect ink = inkBox(b, kBlack);
        EXPECT_TRUE(!ink.isEmpty() && clip.contains(ink)) << "draw " << i;
    }
    // Narrowing the clip hands back the previous one; the clip never leaves the bitmap.
    TBitmap b(40, 40);
    TPainter p(b);
    p.setClip({-5, -5, 20, 100});
    EXPECT_EQ(p.clip(), (TRect{0, 0, 15, 40}));
    EXPECT_EQ(p.intersectClip({10, 10, 50, 50}), (TRect{0, 0, 15, 40}));
    EXPECT_EQ(p.clip(), (TRect{10, 10, 5, 30}));
}

struct Probe {
    int32_t x, y;
    uint32_t min, max; // the alpha range allowed
};

// Each shape drawn opaque on an 80 × 80 transparent bitmap: its area (within a tolerance), its
// ink box when given, and the alpha of a few probe pixels.
void expectShape(const char *name, double expected, double tolerance, TRect box,
                 const std::vector<Probe> &probes, const Draw &draw) {
    const TBitmap b = drawn(draw);
    EXPECT_NEAR(area(b), expected, tolerance) << name;
    if (!box.isEmpty()) {
        EXPECT_EQ(inkBox(b, 0), box) << name;
    }
    for (const Probe &q : probes) {
        EXPECT_GE(alpha(b.at(q.x, q.y)), q.min) << name << " " << q.x << "," << q.y;
        EXPECT_LE(alpha(b.at(q.x, q.y)), q.max) << name << " " << q.x << "," << q.y;
    }
}

TEST(Painter, ShapesCoverTheirAreaAndBounds) {
    // Soft but narrow edges: the centre solid, a pixel past the radius empty.
    expectShape("circle", kPi * 100, 2 * kPi, {},
                {{32, 32, 255, 255}, {43, 32, 0, 0}, {41, 32, 1, 255}},
                [](TPainter &p) { p.fillCircle(32, 32, 10, kWhite); });
    const double ring = 2 * kPi * 20 * 3;
    expectShape("ring", ring, 0.02 * ring, {}, {{40, 40, 0, 0}},
                [](TPainter &p) { p.strokeCircle(40, 40, 20, 3, kWhite); });
    // From 12 to 3 o'clock: the upper right quarter; angles the other way round draw the same.
    const Draw quarter = [](TPainter &p) { p.arc(40, 40, 20, 3, 0, kPi / 2, kWhite); };
    expectShape("quarter arc", ring / 4, 0.03 * ring / 4, {}, {}, quarter);
    EXPECT_TRUE((TRect{39, 0, 41, 41}.contains(inkBox(drawn(quarter), 0))));
    EXPECT_EQ(drawn([](TPainter &p) { p.arc(40, 40, 20, 3, kPi / 2, 0, kWhite); }).pixels,
              drawn(quarter).pixels);
    expectShape("zero arc", 0, 0, {}, {}, [](TPainter &p) { p.arc(40, 40, 20, 3, 1, 1, kWhite); });
    // A knob's travel, -3π/4 … 3π/4, leaves the bottom open.
    expectShape("knob arc", 0.75 * ring, 0.02 * ring, {}, {{40, 60, 0, 0}, {40, 20, 255, 255}},
                [](TPainter &p) { p.arc(40, 40, 20, 3, -0.75f * kPi, 0.75f * kPi, kWhite); });
    // A one-pixel line along a pixel row's centre fills exactly that row.
    expectShape("row", 20, 0, {10, 20, 20, 1}, {},
                [](TPainter &p) { p.line(10, 20.5f, 30, 20.5f, 1, kWhite, TLineCap::Butt); });
    const double diagonal = std::hypot(50.0, 40.0) * 2 + kPi; // length × width + round caps
    expectShape("diagonal", diagonal, 0.02 * diagonal, {}, {},
                [](TPainter &p) { p.line(10, 10, 60, 50, 2, kWhite); });
    // Sharp sides, soft corners.
    const TRect box{5, 5, 30, 20};
    expectShape("round rect", 600 - (4 - kPi) * 36, 2.0, {5, 5, 30, 20},
                {{5, 15, 255, 255}, {20, 24, 255, 255}, {5, 5, 0, 0}, {6, 7, 1, 254}},
                [&](TPainter &p) { p.fillRoundRect(box, 6, kWhite); });
    // A one-pixel outline is the border alone: the straight sides between the corners, plus four
    // quarter circles through the stroke's middle.
    expectShape("outline", 2 * (22 + 12) + 2 * kPi * 3.5, 2.0, {5, 5, 30, 20},
                {{5, 15, 255, 255}, {20, 5, 255, 255}, {6, 15, 0, 0}, {20, 15, 0, 0}},
                [&](TPainter &p) { p.strokeRoundRect(box, 4, 1, kWhite); });
    // On whole pixels a square fills solidly; on half pixels its edges are half covered.
    const std::vector<TPointF> square{{2, 2}, {10, 2}, {10, 10}, {2, 10}},
        halfSquare{{2.5f, 2}, {10.5f, 2}, {10.5f, 10}, {2.5f, 10}};
    expectShape("square", 64, 0, {2, 2, 8, 8}, {},
                [&](TPainter &p) { p.fillPolygon(square, kWhite); });
    expectShape("half square", 64, 0.1, {2, 2, 9, 8}, {{2, 5, 127, 129}, {10, 5, 127, 129}},
                [&](TPainter &p) { p.fillPolygon(halfSquare, kWhite); });
    // A pointer triangle, either winding.
    const double triangle =
        0.5 * std::fabs((33.7 - 5.3) * (35.6 - 4.1) - (14.9 - 5.3) * (12.2 - 4.1));
    std::vector<TPointF> tri{{5.3f, 4.1f}, {33.7f, 12.2f}, {14.9f, 35.6f}};
    for (int winding = 0; winding < 2; ++winding, std::swap(tri[0], tri[2])) {
        expectShape("triangle", triangle, 0.005 * triangle, {}, {},
                    [&](TPainter &p) { p.fillPolygon(tri, kWhite); });
    }
}

TEST(Painter, BlitsWithOpacityAndFilmstripFrames) {
    TBitmap src(4, 4, kWhite);
    src.at(3, 3) = Argb(0, 255, 255, 255);
    TBitmap b(10, 10, kBlack);
    TPainter p(b);
    p.blit(src, {0, 0, 4, 4}, 2, 3, 128);
    // Half through, then a transparent source pixel, then outside.
    EXPECT_EQ(std::tuple(b.at(2, 3), b.at(5, 6), b.at(1, 3)),
              std::tuple(Rgb(128, 128, 128), kBlack, kBlack));
    // Part of the source, overhanging its edge: only what exists is drawn.
    p.blit(src, {2, 2, 5, 5}, 0, 0);
    EXPECT_EQ(std::tuple(inkBox(b, kBlack).united({2, 3, 4, 4}), b.at(1, 1), b.at(0, 0)),
              std::tuple(TRect{0, 0, 6, 7}, kBlack, kWhite));

    // A filmstrip of three frames, each a solid colour with a marked corner.
    TImage strip{TBitmap(9, 4), 3};
    const uint32_t colours[3] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
    for (int32_t i = 0; i < 36; ++i) {
        const int32_t x = i % 9, y = i / 9;
        strip.bitmap.at(x, y) = x % 3 == 0 && y == 0 ? kWhite : colours[x / 3];
    }
    for (int32_t f = -1; f <= 3; ++f) {
        const TBitmap d = drawn([&](TPainter &q) { q.blitFrame(strip, f, 2, 2); }, 8, 8, kBlack);
        EXPECT_EQ(std::tuple(inkBox(d, kBlack), d.at(2, 2), d.at(4, 5)),
                  std::tuple(TRect{2, 2, 3, 4}, kWhite, colours[std::clamp(f, 0, 2)]))
            << "frame " << f;
    }
}

// `s` drawn in white at (x, y) on a black bitmap of w × h.
TBitmap textOn(int32_t w, int32_t h, int32_t x, int32_t y, const std::string &s, float size,
               bool bold = false) {
    TBitmap b(w, h, kBlack);
    TPainter(b).text(x, y, s, size, kWhite, TAlign::Left, 0, bold);
    return b;
}

int32_t width(const std::string &s, float size = 10.0f, bool bold = false) {
    return TPainter::measureText(s, size, bold).w;
}

TEST(Painter, TextFitsItsMeasuredBox) {
    std::string latin1; // all of Latin-1 stays within the line height
    for (int32_t c = 0x21; c <= 0xFF; ++c) {
        if (c < 0x7F || c > 0xA0) {
            latin1.push_back(static_cast<char>(c));
        }
    }
    for (const float size : {9.0f, 10.0f, 11.0f}) {
        for (const bool bold : {false, true}) {
            for (const std::string s :
                 {"Frakle 120.00 BPM", "Mix 75 % jQy", "45\xC2\xB0 \xC3\x85g|", latin1.c_str()}) {
                const TSize m = TPainter::measureText(s, size, bold);
                const TRect ink = inkBox(textOn(m.w + 20, m.h + 20, 10, 10, s, size, bold), kBlack);
                // Inside the box, which is not padded and a line high.
                EXPECT_TRUE(!ink.isEmpty() && (TRect{10, 10, m.w, m.h}.contains(ink)) &&
                            ink.w >= m.w - 3 && m.h >= static_cast<int32_t>(size) &&
                            m.h <= static_cast<int32_t>(size * 1.4f))
                    << s << " at " << size;
            }
        }
    }
    // Bold is wider than regular; pairs are kerned.
    EXPECT_LT(width("Shuffler"), width("Shuffler", 10.0f, true));
    EXPECT_EQ(width(""), 0);
    EXPECT_LT(width("AVAVAVAVAV", 20.0f), 5 * (width("A", 20.0f) + width("V", 20.0f)) - 5);
    // The degree sign arrives as UTF-8 or Latin-1; a broken sequence falls back to Latin-1 byte
    // by byte instead of swallowing text.
    const auto render = [](const char *s) { return textOn(60, 20, 2, 2, s, 10.0f).pixels; };
    EXPECT_EQ(render("45\xC2\xB0"), render("45\xB0"));
    EXPECT_NE(render("45\xC2\xB0"), render("45"));
    EXPECT_EQ(TPainter::measureText(std::string("\xC3") + "A", 10.0f),
              TPainter::measureText(std::string("\xC3\x83") + "A", 10.0f));
}

TEST(Painter, GlyphStemsAndBaselinesAreCrisp) {
    for (const float size : {9.0f, 10.0f, 11.0f}) {
        // Each stem of "l l ll lll" covers one or two columns, at least one of them nearly solid.
        const TBitmap b = textOn(80, 20, 3, 2, "l l ll lll", size);
        std::vector<uint32_t> peaks(80, 0); // per column, its brightest pixel
        for (int32_t i = 0; i < 80 * 20; ++i) {
            uint32_t &peak = peaks[static_cast<size_t>(i % 80)];
            peak = std::max(peak, red(b.at(i % 80, i / 80)));
        }
        int32_t stems = 0;
        for (size_t x = 0; x < peaks.size(); ++x) {
            if (peaks[x] < 48) {
                continue;
            }
            const size_t start = x;
            uint32_t strongest = 0;
            for (; x < peaks.size() && peaks[x] >= 48; ++x) {
                strongest = std::max(strongest, peaks[x]);
            }
            EXPECT_TRUE(x - start <= 2 && strongest >= 200)
                << "stem at column " << start << ", " << size << " px";
            ++stems;
        }
        EXPECT_EQ(stems, 7) << size << " px";
        // "H" sits on the baseline: its bottom row is solid under the stems.
        const TBitmap h = textOn(30, 20, 3, 2, "H", size);
        const TRect box = inkBox(h, kBlack);
        uint32_t bottomPeak = 0;
        for (int32_t x = box.x; x < box.right(); ++x) {
            bottomPeak = std::max(bottomPeak, red(h.at(x, box.bottom() - 1)));
        }
        EXPECT_GE(bottomPeak, 230u) << size << " px";
        EXPECT_EQ(box.bottom(), 2 + fontMetrics(size).ascent);
    }
}

TEST(PngWriter, RoundTripsPixelsAndAlpha) {
    TBitmap b(5, 3);
    for (int32_t i = 0; i < 15; ++i) {
        const auto x = static_cast<uint32_t>(i % 5), y = static_cast<uint32_t>(i / 5);
        b.pixels[static_cast<size_t>(i)] = Argb(x * 60, y * 100 + 7, x * 50 + 3, 200 - x * y);
    }
    const std::string path = testing::TempDir() + "painter-roundtrip.png";
    ASSERT_TRUE(writePng(b, path));
    int32_t w = 0, h = 0, channels = 0;
    unsigned char *data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::tuple(w, h, channels), std::tuple(5, 3, 4));
    for (int32_t i = 0; i < 15; ++i) {
        const unsigned char *px = data + i * 4;
        EXPECT_EQ(Argb(px[3], px[0], px[1], px[2]), b.pixels[static_cast<size_t>(i)]) << i;
    }
    stbi_image_free(data);
    std::remove(path.c_str());
    EXPECT_FALSE(writePng(TBitmap(), path));
    EXPECT_FALSE(writePng(b, "/nonexistent-folder/x.png"));
}

} // namespace
} // namespace frakle::gui
