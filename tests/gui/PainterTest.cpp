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

namespace frakle::gui {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kBlack = Rgb(0, 0, 0);

uint32_t alpha(uint32_t c) { return c >> 24; }
uint32_t red(uint32_t c) { return (c >> 16) & 0xFFu; }
uint32_t green(uint32_t c) { return (c >> 8) & 0xFFu; }
uint32_t blue(uint32_t c) { return c & 0xFFu; }

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
    const uint32_t mixed = b.at(2, 0);
    EXPECT_NEAR(alpha(mixed), 192, 1);
    EXPECT_NEAR(red(mixed), 170, 1);
    EXPECT_NEAR(blue(mixed), 85, 1);
    p.fill({0, 0, 3, 1}, Argb(0, 255, 255, 255)); // fully transparent: nothing changes
    EXPECT_EQ(b.at(1, 0), Argb(255, 128, 0, 0));
}

TEST(Painter, EveryPrimitiveStaysInsideTheClip) {
    const TBitmap src(40, 40, kWhite);
    const TImage strip{TBitmap(80, 40, kWhite), 2};
    const TRect clip{13, 7, 11, 9};
    using Draw = std::function<void(TPainter &)>;
    const Draw draws[] = {
        [](TPainter &p) {
            p.fill({0, 0, 40, 40}, kWhite);
        },
        [](TPainter &p) {
            p.fillRoundRect({2, 2, 36, 36}, 8.0f, kWhite);
        },
        [](TPainter &p) {
            p.fillGradient({0, 0, 40, 40}, kWhite, kBlack, TOrientation::Horizontal);
        },
        [](TPainter &p) { p.fillCircle(20, 12, 15, kWhite); },
        [](TPainter &p) { p.arc(18, 12, 10, 6, -kPi, kPi * 0.9f, kWhite); },
        [](TPainter &p) { p.line(0, 0, 40, 30, 5, kWhite); },
        [](TPainter &p) {
            p.fillPolygon({{-10, 0}, {50, 5}, {20, 40}}, kWhite);
        },
        [&](TPainter &p) {
            p.blit(src, {0, 0, 40, 40}, 0, 0);
        },
        [&](TPainter &p) { p.blitFrame(strip, 1, 0, 0); },
        [](TPainter &p) { p.text(10, 4, "WWWWWW", 11.0f, kWhite, TAlign::Left, 0, true); }};
    for (size_t i = 0; i < std::size(draws); ++i) {
        TBitmap b(40, 40, kBlack);
        TPainter p(b);
        p.setClip(clip);
        draws[i](p);
        const TRect ink = inkBox(b, kBlack);
        EXPECT_FALSE(ink.isEmpty()) << "draw " << i;
        EXPECT_TRUE(clip.contains(ink)) << "draw " << i;
    }
    // Narrowing the clip hands back the previous one; the clip never leaves the bitmap.
    TBitmap b(40, 40);
    TPainter p(b);
    p.setClip({-5, -5, 20, 100});
    EXPECT_EQ(p.clip(), (TRect{0, 0, 15, 40}));
    EXPECT_EQ(p.intersectClip({10, 10, 50, 50}), (TRect{0, 0, 15, 40}));
    EXPECT_EQ(p.clip(), (TRect{10, 10, 5, 30}));
}

TEST(Painter, CircleCoverageIsSymmetricWithTheRightArea) {
    for (const float r : {2.5f, 6.0f, 13.3f, 30.0f}) {
        for (const float centre : {32.0f, 32.5f}) {
            TBitmap b(64, 64, 0);
            TPainter p(b);
            p.fillCircle(centre, centre, r, kWhite);
            const auto mirror = centre == 32.0f ? 63 : 64; // pixel i ↔ mirror - i
            for (int32_t y = 0; y < 64; ++y) {
                for (int32_t x = 0; x < 64; ++x) {
                    const uint32_t a = alpha(b.at(x, y));
                    if (mirror - x < 64 && mirror - y < 64) {
                        ASSERT_EQ(a, alpha(b.at(mirror - x, y))) << r << " " << x << "," << y;
                        ASSERT_EQ(a, alpha(b.at(x, mirror - y))) << r << " " << x << "," << y;
                    }
                    ASSERT_EQ(a, alpha(b.at(y, x)));
                }
            }
            EXPECT_NEAR(area(b), kPi * r * r, 0.02 * kPi * r * r) << "r " << r;
        }
    }
    // Edges are soft but narrow: the centre is solid, a pixel past the radius is empty.
    TBitmap b(64, 64, 0);
    TPainter p(b);
    p.fillCircle(32, 32, 10, kWhite);
    EXPECT_EQ(alpha(b.at(32, 32)), 255u);
    EXPECT_EQ(alpha(b.at(43, 32)), 0u);
    EXPECT_GT(alpha(b.at(41, 41 - 9)), 0u);
}

TEST(Painter, RingsArcsAndLinesCoverTheirArea) {
    const auto drawn = [](auto draw) {
        TBitmap b(80, 80, 0);
        TPainter p(b);
        draw(p);
        return b;
    };
    // A ring of width 3 around radius 20.
    const TBitmap ring = drawn([](TPainter &p) { p.strokeCircle(40, 40, 20, 3, kWhite); });
    EXPECT_NEAR(area(ring), 2 * kPi * 20 * 3, 0.02 * 2 * kPi * 20 * 3);
    EXPECT_EQ(alpha(ring.at(40, 40)), 0u);

    // A quarter arc from 12 to 3 o'clock lies in the upper right quarter, a quarter of the ring.
    const TBitmap quarter = drawn([](TPainter &p) { p.arc(40, 40, 20, 3, 0, kPi / 2, kWhite); });
    const TRect box = inkBox(quarter, 0);
    EXPECT_GE(box.x, 39);
    EXPECT_LE(box.bottom(), 41);
    EXPECT_NEAR(area(quarter), area(ring) / 4, 0.03 * area(ring) / 4);
    // Angles given the other way round draw the same; a zero span draws nothing.
    EXPECT_EQ(drawn([](TPainter &p) { p.arc(40, 40, 20, 3, kPi / 2, 0, kWhite); }).pixels,
              quarter.pixels);
    EXPECT_EQ(area(drawn([](TPainter &p) { p.arc(40, 40, 20, 3, 1, 1, kWhite); })), 0.0);
    // A knob's travel, -3π/4 … 3π/4, leaves the bottom open.
    const TBitmap knob =
        drawn([](TPainter &p) { p.arc(40, 40, 20, 3, -0.75f * kPi, 0.75f * kPi, kWhite); });
    EXPECT_EQ(alpha(knob.at(40, 60)), 0u);
    EXPECT_EQ(alpha(knob.at(40, 20)), 255u);
    EXPECT_NEAR(area(knob), 0.75 * area(ring), 0.02 * area(ring));

    // A one-pixel line along a pixel row's centre fills exactly that row.
    const TBitmap row =
        drawn([](TPainter &p) { p.line(10, 20.5f, 30, 20.5f, 1, kWhite, TLineCap::Butt); });
    EXPECT_EQ(inkBox(row, 0), (TRect{10, 20, 20, 1}));
    EXPECT_EQ(area(row), 20.0);
    // A diagonal: length × width, plus the round caps.
    const TBitmap diagonal = drawn([](TPainter &p) { p.line(10, 10, 60, 50, 2, kWhite); });
    const double expected = std::hypot(50.0, 40.0) * 2 + kPi;
    EXPECT_NEAR(area(diagonal), expected, 0.02 * expected);
}

TEST(Painter, RoundRectsHaveSharpSidesAndSoftCorners) {
    TBitmap b(40, 30, 0);
    TPainter p(b);
    p.fillRoundRect({5, 5, 30, 20}, 6, kWhite);
    EXPECT_EQ(inkBox(b, 0), (TRect{5, 5, 30, 20}));
    EXPECT_EQ(alpha(b.at(5, 15)), 255u);
    EXPECT_EQ(alpha(b.at(20, 24)), 255u);
    EXPECT_EQ(alpha(b.at(5, 5)), 0u);
    EXPECT_GT(alpha(b.at(6, 7)), 0u);
    EXPECT_LT(alpha(b.at(6, 7)), 255u);
    const double cornerLoss = (4 - kPi) * 36;
    EXPECT_NEAR(area(b), 600 - cornerLoss, 2.0);

    // A one-pixel outline is the border alone.
    TBitmap o(40, 30, 0);
    TPainter q(o);
    q.strokeRoundRect({5, 5, 30, 20}, 4, 1, kWhite);
    EXPECT_EQ(alpha(o.at(5, 15)), 255u);
    EXPECT_EQ(alpha(o.at(20, 5)), 255u);
    EXPECT_EQ(alpha(o.at(6, 15)), 0u);
    EXPECT_EQ(alpha(o.at(20, 15)), 0u);
}

TEST(Painter, PolygonsCoverTheirExactArea) {
    TBitmap b(40, 40, 0);
    TPainter p(b);
    // A square on whole pixels fills solidly; one on half pixels gets half-covered edges.
    p.fillPolygon({{2, 2}, {10, 2}, {10, 10}, {2, 10}}, kWhite);
    EXPECT_EQ(inkBox(b, 0), (TRect{2, 2, 8, 8}));
    EXPECT_EQ(area(b), 64.0);
    TBitmap h(40, 40, 0);
    TPainter q(h);
    q.fillPolygon({{2.5f, 2}, {10.5f, 2}, {10.5f, 10}, {2.5f, 10}}, kWhite);
    EXPECT_NEAR(alpha(h.at(2, 5)), 128, 1);
    EXPECT_NEAR(alpha(h.at(10, 5)), 128, 1);
    EXPECT_NEAR(area(h), 64.0, 0.1);
    // A pointer triangle, either winding.
    for (const bool reversed : {false, true}) {
        TBitmap t(40, 40, 0);
        TPainter r(t);
        std::vector<TPointF> tri{{5.3f, 4.1f}, {33.7f, 12.2f}, {14.9f, 35.6f}};
        if (reversed) {
            std::swap(tri[0], tri[2]);
        }
        r.fillPolygon(tri, kWhite);
        const double exact =
            0.5 * std::fabs((33.7 - 5.3) * (35.6 - 4.1) - (14.9 - 5.3) * (12.2 - 4.1));
        EXPECT_NEAR(area(t), exact, 0.005 * exact);
    }
}

TEST(Painter, GradientsRunFromFirstToLastRow) {
    TBitmap b(8, 11, kBlack);
    TPainter p(b);
    p.fillGradient({0, 0, 8, 11}, Rgb(0, 200, 100), Rgb(200, 0, 100));
    double previous = -1.0;
    for (int32_t y = 0; y < 11; ++y) {
        double sum = 0.0;
        for (int32_t x = 0; x < 8; ++x) {
            sum += red(b.at(x, y)) / 8.0;
            EXPECT_EQ(blue(b.at(x, y)), 100u);
        }
        EXPECT_GT(sum, previous);
        EXPECT_NEAR(sum, 20.0 * y, 0.5);
        previous = sum;
    }
    EXPECT_EQ(b.at(3, 0), Rgb(0, 200, 100));
    EXPECT_EQ(b.at(3, 10), Rgb(200, 0, 100));
    // Sideways, and fading out: the colour stays, only the alpha falls.
    TBitmap h(5, 2, 0);
    TPainter q(h);
    q.fillGradient({0, 0, 5, 2}, Rgb(255, 0, 0), Argb(0, 255, 0, 0), TOrientation::Horizontal);
    EXPECT_EQ(h.at(0, 1), Rgb(255, 0, 0));
    EXPECT_NEAR(alpha(h.at(2, 0)), 128, 1);
    EXPECT_EQ(red(h.at(2, 0)), 255u);
    EXPECT_EQ(green(h.at(2, 0)), 0u);
    EXPECT_EQ(h.at(4, 0), 0u);
}

TEST(Painter, BlitsWithOpacityAndFilmstripFrames) {
    TBitmap src(4, 4, kWhite);
    src.at(3, 3) = Argb(0, 255, 255, 255);
    TBitmap b(10, 10, kBlack);
    TPainter p(b);
    p.blit(src, {0, 0, 4, 4}, 2, 3, 128);
    EXPECT_EQ(b.at(2, 3), Rgb(128, 128, 128));
    EXPECT_EQ(b.at(5, 6), kBlack); // transparent source pixel
    EXPECT_EQ(b.at(1, 3), kBlack);
    // Part of the source, overhanging its edge: only what exists is drawn.
    p.blit(src, {2, 2, 5, 5}, 0, 0);
    EXPECT_EQ(inkBox(b, kBlack).united({2, 3, 4, 4}), (TRect{0, 0, 6, 7}));
    EXPECT_EQ(b.at(1, 1), kBlack);
    EXPECT_EQ(b.at(0, 0), kWhite);

    // A filmstrip of three frames, each a solid colour with a marked corner.
    TImage strip{TBitmap(9, 4), 3};
    const uint32_t colours[3] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
    for (int32_t f = 0; f < 3; ++f) {
        for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < 3; ++x) {
                strip.bitmap.at(f * 3 + x, y) = x == 0 && y == 0 ? kWhite : colours[f];
            }
        }
    }
    for (int32_t f = -1; f <= 3; ++f) {
        TBitmap d(8, 8, kBlack);
        TPainter q(d);
        q.blitFrame(strip, f, 2, 2);
        EXPECT_EQ(inkBox(d, kBlack), (TRect{2, 2, 3, 4}));
        EXPECT_EQ(d.at(2, 2), kWhite);
        EXPECT_EQ(d.at(4, 5), colours[std::clamp(f, 0, 2)]) << "frame " << f;
    }
}

TEST(Painter, TextFitsItsMeasuredBox) {
    const std::string samples[] = {"Frakle 120.00 BPM", "Mix 75 % jQy", "45\xC2\xB0 \xC3\x85g|"};
    for (const float size : {9.0f, 10.0f, 11.0f}) {
        for (const bool bold : {false, true}) {
            for (const std::string &s : samples) {
                const TSize m = TPainter::measureText(s, size, bold);
                TBitmap b(m.w + 20, m.h + 20, kBlack);
                TPainter p(b);
                p.text(10, 10, s, size, kWhite, TAlign::Left, 0, bold);
                const TRect ink = inkBox(b, kBlack);
                EXPECT_FALSE(ink.isEmpty());
                EXPECT_TRUE((TRect{10, 10, m.w, m.h}.contains(ink))) << s << " at " << size;
                EXPECT_GE(ink.w, m.w - 3) << s << " at " << size; // the box is not padded
                EXPECT_GE(m.h, static_cast<int32_t>(size));
                EXPECT_LE(m.h, static_cast<int32_t>(size * 1.4f));
            }
        }
    }
    // All of Latin-1 stays within the line height.
    std::string latin1;
    for (int32_t c = 0x21; c <= 0xFF; ++c) {
        if (c < 0x7F || c > 0xA0) {
            latin1.push_back(static_cast<char>(c));
        }
    }
    const TSize m = TPainter::measureText(latin1, 10.0f);
    TBitmap b(m.w + 4, m.h + 20, kBlack);
    TPainter p(b);
    p.text(2, 10, latin1, 10.0f, kWhite);
    const TRect ink = inkBox(b, kBlack);
    EXPECT_GE(ink.y, 10);
    EXPECT_LE(ink.bottom(), 10 + m.h);
    // Bold is wider than regular.
    EXPECT_LT(TPainter::measureText("Shuffler", 10.0f).w,
              TPainter::measureText("Shuffler", 10.0f, true).w);
    EXPECT_EQ(TPainter::measureText("", 10.0f).w, 0);
    // Pairs are kerned.
    const int32_t apart = TPainter::measureText("A", 20.0f).w + TPainter::measureText("V", 20.0f).w;
    EXPECT_LT(TPainter::measureText("AVAVAVAVAV", 20.0f).w, 5 * apart - 5);
}

TEST(Painter, DegreeSignArrivesAsUtf8OrLatin1) {
    const auto render = [](const std::string &s) {
        TBitmap b(60, 20, kBlack);
        TPainter p(b);
        p.text(2, 2, s, 10.0f, kWhite);
        return b;
    };
    const TBitmap utf8 = render("45\xC2\xB0");
    EXPECT_EQ(utf8.pixels, render("45\xB0").pixels);
    EXPECT_NE(utf8.pixels, render("45").pixels);
    EXPECT_EQ(TPainter::measureText("\xC2\xB0", 10.0f), TPainter::measureText("\xB0", 10.0f));
    // A broken sequence falls back to Latin-1 byte by byte instead of swallowing text.
    EXPECT_EQ(TPainter::measureText("\xC3"
                                    "A",
                                    10.0f),
              TPainter::measureText("\xC3\x83"
                                    "A",
                                    10.0f));
}

// Columns of a glyph's stem: for each column, its brightest pixel.
std::vector<uint32_t> columnPeaks(const TBitmap &b, const TRect &rows) {
    std::vector<uint32_t> peaks(static_cast<size_t>(b.width), 0);
    for (int32_t y = rows.y; y < rows.bottom(); ++y) {
        for (int32_t x = 0; x < b.width; ++x) {
            peaks[static_cast<size_t>(x)] =
                std::max(peaks[static_cast<size_t>(x)], red(b.at(x, y)));
        }
    }
    return peaks;
}

TEST(Painter, GlyphStemsAndBaselinesAreCrisp) {
    for (const float size : {9.0f, 10.0f, 11.0f}) {
        // Each stem of "l l ll lll" covers one or two columns, at least one of them nearly solid.
        TBitmap b(80, 20, kBlack);
        TPainter p(b);
        p.text(3, 2, "l l ll lll", size, kWhite);
        const TRect ink = inkBox(b, kBlack);
        const std::vector<uint32_t> peaks = columnPeaks(b, ink);
        int32_t stems = 0;
        for (size_t x = 0; x < peaks.size();) {
            if (peaks[x] < 48) {
                ++x;
                continue;
            }
            size_t end = x;
            uint32_t strongest = 0;
            while (end < peaks.size() && peaks[end] >= 48) {
                strongest = std::max(strongest, peaks[end++]);
            }
            EXPECT_LE(end - x, 2u) << "stem at column " << x << ", " << size << " px";
            EXPECT_GE(strongest, 200u) << "stem at column " << x << ", " << size << " px";
            ++stems;
            x = end;
        }
        EXPECT_EQ(stems, 7) << size << " px";

        // "H" sits on the baseline: its bottom row is solid under the stems.
        TBitmap h(30, 20, kBlack);
        TPainter q(h);
        q.text(3, 2, "H", size, kWhite);
        const TRect hBox = inkBox(h, kBlack);
        uint32_t bottomPeak = 0;
        for (int32_t x = hBox.x; x < hBox.right(); ++x) {
            bottomPeak = std::max(bottomPeak, red(h.at(x, hBox.bottom() - 1)));
        }
        EXPECT_GE(bottomPeak, 230u) << size << " px";
        EXPECT_EQ(hBox.bottom(), 2 + fontMetrics(size).ascent);
    }
}

TEST(PngWriter, RoundTripsPixelsAndAlpha) {
    TBitmap b(5, 3);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            b.at(x, y) =
                Argb(static_cast<uint32_t>(x * 60), static_cast<uint32_t>(y * 100 + 7),
                     static_cast<uint32_t>(x * 50 + 3), static_cast<uint32_t>(200 - x * y));
        }
    }
    const std::string path = testing::TempDir() + "painter-roundtrip.png";
    ASSERT_TRUE(writePng(b, path));
    int32_t w = 0, h = 0, channels = 0;
    unsigned char *data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(channels, 4);
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
