// Draws the editor's artwork: the background, knob strips, sequencer steps, switches and markers.
#include "editor/Skin.h"

#include "gui/Font.h"
#include "gui/Painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace frakle::editor {

namespace {

using gui::Argb;
using gui::Rgb;
using gui::TAlign;
using gui::TBitmap;
using gui::TImage;
using gui::TImageList;
using gui::TLineCap;
using gui::TPainter;
using gui::TPointF;
using gui::TRect;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kKnobStart = -0.75f * kPi; // 7:30, about −135°
constexpr float kKnobEnd = 0.75f * kPi;    // 4:30, about +135°

// ---- Theme ----------------------------------------------------------------------------------

constexpr uint32_t kWindowTop = Rgb(27, 28, 32);
constexpr uint32_t kWindowBottom = Rgb(15, 16, 18);
constexpr uint32_t kPanelTop = Rgb(45, 47, 53);
constexpr uint32_t kPanelBottom = Rgb(34, 36, 41);
constexpr uint32_t kPanelEdge = Rgb(62, 65, 73);
constexpr uint32_t kWell = Rgb(19, 20, 23);
constexpr uint32_t kWellEdge = Rgb(11, 12, 14);
constexpr uint32_t kHeading = Rgb(160, 166, 178);
constexpr uint32_t kSubtle = Rgb(112, 117, 128);
constexpr uint32_t kInk = Rgb(18, 19, 22); // dark text on coloured faces
constexpr uint32_t kButtonTop = Rgb(74, 78, 87);
constexpr uint32_t kButtonBottom = Rgb(50, 53, 60);
constexpr uint32_t kButtonEdge = Rgb(14, 15, 17);
constexpr uint32_t kButtonText = Rgb(218, 221, 228);
constexpr uint32_t kAccent = Rgb(255, 164, 44); // knob values, switches that are on
constexpr uint32_t kKnobTrack = Rgb(14, 15, 17);
constexpr uint32_t kLearn = Rgb(96, 255, 150);   // MIDI learn outlines
constexpr uint32_t kRandom = Rgb(192, 196, 205); // the random step
constexpr uint32_t kLedGreen = Rgb(92, 232, 118);
constexpr uint32_t kLedAmber = Rgb(255, 176, 52);
constexpr uint32_t kWarn = Rgb(255, 112, 72);

constexpr std::array<uint32_t, 9> kEffectColours = {
    Rgb(236, 86, 80),   // tape stop: red
    Rgb(244, 144, 60),  // modulator: orange
    Rgb(230, 206, 72),  // retrigger: yellow
    Rgb(136, 206, 82),  // shuffler: green
    Rgb(64, 200, 164),  // reverser: teal
    Rgb(72, 174, 238),  // crusher: sky blue
    Rgb(120, 128, 246), // gater: indigo
    Rgb(182, 116, 236), // delay: violet
    Rgb(232, 102, 182), // stretcher: pink
};

constexpr std::array<std::string_view, 9> kEffectNames = {"Tape Stop", "Modulator", "Retrigger",
                                                          "Shuffler",  "Reverser",  "Crusher",
                                                          "Gater",     "Delay",     "Stretcher"};

// ---- Colour helpers -------------------------------------------------------------------------

uint32_t channel(uint32_t c, int32_t shift) { return (c >> shift) & 0xFFu; }

// Linear mix of two colours, alpha included; t = 0 gives a, 1 gives b.
uint32_t mix(uint32_t a, uint32_t b, float t) {
    uint32_t out = 0;
    for (int32_t shift = 0; shift <= 24; shift += 8) {
        const float v = static_cast<float>(channel(a, shift)) * (1.0f - t) +
                        static_cast<float>(channel(b, shift)) * t;
        out |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << shift;
    }
    return out;
}

uint32_t lighten(uint32_t c, float t) { return mix(c, (c & 0xFF000000u) | 0xFFFFFFu, t); }
uint32_t darken(uint32_t c, float t) { return mix(c, c & 0xFF000000u, t); }
uint32_t withAlpha(uint32_t c, uint32_t a) { return (c & 0x00FFFFFFu) | (a << 24); }

// ---- Drawing helpers ------------------------------------------------------------------------

float fx(int32_t v) { return static_cast<float>(v); }

// A rounded rectangle filled with a vertical gradient (dithered), drawn through the clip.
void fillRoundGradient(TPainter &p, const TRect &r, float radius, uint32_t top, uint32_t bottom) {
    if (r.isEmpty()) {
        return;
    }
    TBitmap face(r.w, r.h);
    TPainter fp(face);
    fp.fillGradient({0, 0, r.w, r.h}, top, bottom);
    TBitmap mask(r.w, r.h);
    TPainter mp(mask);
    mp.fillRoundRect({0, 0, r.w, r.h}, radius, Rgb(255, 255, 255));
    for (size_t i = 0; i < face.pixels.size(); ++i) {
        const uint32_t a = (channel(face.pixels[i], 24) * channel(mask.pixels[i], 24) + 127) / 255;
        face.pixels[i] = withAlpha(face.pixels[i], a);
    }
    p.blit(face, {0, 0, r.w, r.h}, r.x, r.y);
}

// One line of text whose capitals sit centred vertically in r (and horizontally, by align).
void capsText(TPainter &p, const TRect &r, std::string_view s, float size, uint32_t colour,
              bool bold = true, TAlign align = TAlign::Centre) {
    const gui::TFontMetrics m =
        gui::fontMetrics(size, bold ? gui::TFontStyle::Bold : gui::TFontStyle::Regular);
    const float capHeight = 0.729f * size;
    const auto baseline = r.y + static_cast<int32_t>(std::lround((fx(r.h) + capHeight) * 0.5f));
    p.text(r.x, baseline - m.ascent, s, size, colour, align, r.w, bold);
}

// A raised button face: gradient, dark outline, a faint highlight along the top.
void buttonFace(TPainter &p, const TRect &r, float radius, uint32_t top = kButtonTop,
                uint32_t bottom = kButtonBottom) {
    p.fillRoundRect(r, radius, kButtonEdge);
    const TRect inner = r.inset(1);
    fillRoundGradient(p, inner, std::max(radius - 1.0f, 0.0f), top, bottom);
    p.line(fx(inner.x) + radius, fx(inner.y) + 0.5f, fx(inner.right()) - radius, fx(inner.y) + 0.5f,
           1.0f, Argb(40, 255, 255, 255), TLineCap::Butt);
}

// A recessed well: dark fill, darker top edge.
void well(TPainter &p, const TRect &r, float radius, uint32_t fillColour = kWell) {
    p.fillRoundRect(r, radius, fillColour);
    p.strokeRoundRect(r, radius, 1.0f, kWellEdge);
    p.line(fx(r.x) + radius, fx(r.bottom()) - 0.5f, fx(r.right()) - radius, fx(r.bottom()) - 0.5f,
           1.0f, Argb(22, 255, 255, 255), TLineCap::Butt);
}

// A raised panel with a soft shadow, a gradient face and a fine edge.
void panel(TPainter &p, const TRect &r, float radius) {
    p.fillRoundRect(r.translated(0, 2), radius, Argb(90, 0, 0, 0));
    fillRoundGradient(p, r, radius, kPanelTop, kPanelBottom);
    p.strokeRoundRect(r, radius, 1.0f, kPanelEdge);
    p.line(fx(r.x) + radius, fx(r.y) + 1.5f, fx(r.right()) - radius, fx(r.y) + 1.5f, 1.0f,
           Argb(20, 255, 255, 255), TLineCap::Butt);
}

// An engraved horizontal or vertical groove: a dark line with a lighter one beside it.
void grooveH(TPainter &p, int32_t x0, int32_t x1, int32_t y) {
    p.line(fx(x0), fx(y) + 0.5f, fx(x1), fx(y) + 0.5f, 1.0f, Argb(150, 0, 0, 0), TLineCap::Butt);
    p.line(fx(x0), fx(y) + 1.5f, fx(x1), fx(y) + 1.5f, 1.0f, Argb(16, 255, 255, 255),
           TLineCap::Butt);
}

void grooveV(TPainter &p, int32_t x, int32_t y0, int32_t y1) {
    p.line(fx(x) + 0.5f, fx(y0), fx(x) + 0.5f, fx(y1), 1.0f, Argb(150, 0, 0, 0), TLineCap::Butt);
    p.line(fx(x) + 1.5f, fx(y0), fx(x) + 1.5f, fx(y1), 1.0f, Argb(16, 255, 255, 255),
           TLineCap::Butt);
}

// A lit or dark LED.
void led(TPainter &p, float cx, float cy, float r, uint32_t colour, bool lit) {
    if (lit) {
        p.fillCircle(cx, cy, r + 2.5f, withAlpha(colour, 50));
        p.fillCircle(cx, cy, r, colour);
        p.fillCircle(cx - 0.6f, cy - 0.8f, r * 0.45f, Argb(150, 255, 255, 255));
    } else {
        p.fillCircle(cx, cy, r, Rgb(30, 32, 36));
        p.strokeCircle(cx, cy, r - 0.5f, 1.0f, Rgb(12, 13, 15));
        p.fillCircle(cx, cy, r - 1.5f, darken(colour, 0.72f));
    }
}

// A polyline through points, drawn with round joins.
void polyline(TPainter &p, const std::vector<TPointF> &pts, float width, uint32_t colour) {
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        p.line(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, width, colour);
    }
}

TImage picture(int32_t w, int32_t h) { return TImage{TBitmap(w, h), 1}; }
TImage strip(int32_t frameW, int32_t h, int32_t frames) {
    return TImage{TBitmap(frameW * frames, h), frames};
}

// ---- Knobs ----------------------------------------------------------------------------------

// One knob frame at (ox, oy), value 0..1. Pan knobs draw their value arc from 12 o'clock.
void drawKnob(TPainter &p, int32_t ox, int32_t oy, int32_t size, float value, bool pan) {
    const bool large = size >= 39;
    const float cx = fx(ox) + fx(size) * 0.5f;
    const float cy = fx(oy) + fx(size) * 0.5f;
    const float arcR = large ? 16.5f : 12.25f;
    const float arcW = large ? 3.0f : 2.5f;
    const float bodyR = large ? 12.0f : 8.5f;
    const float angle = kKnobStart + (kKnobEnd - kKnobStart) * value;

    p.arc(cx, cy, arcR, arcW + 1.0f, kKnobStart, kKnobEnd, Argb(200, 8, 9, 10));
    p.arc(cx, cy, arcR, arcW, kKnobStart, kKnobEnd, kKnobTrack);
    // Scale end stops (and the centre for pan knobs) as small ticks.
    const float tickIn = arcR - arcW * 0.5f;
    const float tickOut = arcR + arcW * 0.5f;
    const auto tick = [&](float a, uint32_t colour) {
        const float sx = std::sin(a), sy = -std::cos(a);
        p.line(cx + sx * tickIn, cy + sy * tickIn, cx + sx * tickOut, cy + sy * tickOut, 1.0f,
               colour, TLineCap::Butt);
    };
    if (pan) {
        tick(0.0f, Rgb(120, 125, 136));
    }
    const float from = pan ? 0.0f : kKnobStart;
    if (std::fabs(angle - from) > 1e-4f) {
        p.arc(cx, cy, arcR, arcW + 2.0f, std::min(from, angle), std::max(from, angle),
              withAlpha(kAccent, 46));
        p.arc(cx, cy, arcR, arcW, std::min(from, angle), std::max(from, angle), kAccent);
    }

    // Body: shadow, rim, concave cap, light from above.
    p.fillCircle(cx, cy + 1.5f, bodyR + 0.5f, Argb(160, 0, 0, 0));
    p.fillCircle(cx, cy, bodyR, Rgb(84, 88, 97));
    p.fillCircle(cx, cy + 0.75f, bodyR - 1.25f, Rgb(46, 49, 55));
    p.fillCircle(cx, cy + 0.25f, bodyR - 2.0f, Rgb(56, 59, 66));
    p.arc(cx, cy, bodyR - 0.5f, 1.0f, -0.45f * kPi, 0.45f * kPi, Argb(70, 255, 255, 255));

    // Pointer.
    const float sx = std::sin(angle), sy = -std::cos(angle);
    const float r0 = large ? 3.5f : 2.0f;
    const float r1 = bodyR - (large ? 1.75f : 1.5f);
    p.line(cx + sx * r0, cy + sy * r0, cx + sx * r1, cy + sy * r1, large ? 2.2f : 1.7f,
           Rgb(246, 247, 250));
}

TImage knobStrip(int32_t size, bool pan) {
    TImage img = strip(size, size, kKnobFrames);
    TPainter p(img.bitmap);
    for (int32_t i = 0; i < kKnobFrames; ++i) {
        p.setClip({i * size, 0, size, size});
        drawKnob(p, i * size, 0, size, fx(i) / fx(kKnobFrames - 1), pan);
    }
    return img;
}

// The probability mini-meter: the percentage over a thin bar that fills 0..100 %.
TImage probabilityStrip() {
    constexpr int32_t w = 28, h = 18;
    TImage img = strip(w, h, kProbabilityFrames);
    TPainter p(img.bitmap);
    for (int32_t k = 0; k < kProbabilityFrames; ++k) {
        const int32_t ox = k * w;
        p.setClip({ox, 0, w, h});
        well(p, {ox, 0, w, h}, 3.0f, Rgb(16, 17, 20));
        const float x0 = fx(ox) + 3.0f;
        const float full = 22.0f;
        const float bw = full * fx(k) / 100.0f;
        p.fillPolygon({{x0, 13.0f}, {x0 + full, 13.0f}, {x0 + full, 15.0f}, {x0, 15.0f}},
                      Rgb(40, 42, 48));
        if (bw > 0.0f) {
            p.fillPolygon({{x0, 13.0f}, {x0 + bw, 13.0f}, {x0 + bw, 15.0f}, {x0, 15.0f}}, kAccent);
        }
        capsText(p, {ox, 1, w, 11}, std::to_string(k), 9.0f,
                 k == 0 ? Rgb(140, 145, 155) : Rgb(246, 247, 250));
    }
    return img;
}

TImage learnRing(int32_t size) {
    TImage img = picture(size, size);
    TPainter p(img.bitmap);
    const float c = fx(size) * 0.5f;
    p.strokeCircle(c, c, c - 2.0f, 3.0f, withAlpha(kLearn, 60));
    p.strokeCircle(c, c, c - 1.5f, 2.0f, kLearn);
    return img;
}

// ---- Sequencer steps --------------------------------------------------------------------------

// code: 0 random, 1..9 effects 0..8, 10 off. part: 'a' one step, 'b' first, 'c' inner, 'd' last.
void drawStep(TPainter &p, int32_t ox, int32_t code, char part) {
    constexpr int32_t top = 3, height = 34;
    const bool roundLeft = part == 'a' || part == 'b';
    const bool roundRight = part == 'a' || part == 'd';
    const bool head = roundLeft;
    const int32_t left = roundLeft ? ox + 1 : ox - 8;
    const int32_t right = roundRight ? ox + 11 : ox + 20;
    const TRect body{left, top, right - left, height};
    const TRect saved = p.intersectClip({ox, 0, 12, 40});

    if (code == 10) {
        // Off: an empty outline.
        p.fillRoundRect(body, 3.0f, Rgb(28, 29, 33));
        p.strokeRoundRect(body, 3.0f, 1.0f, Rgb(86, 90, 100));
    } else {
        const uint32_t base = code == 0 ? kRandom : kEffectColours[static_cast<size_t>(code - 1)];
        const uint32_t face = head ? base : darken(base, 0.28f);
        p.fillRoundRect(body.translated(0, 1), 3.0f, Argb(120, 0, 0, 0));
        fillRoundGradient(p, body, 3.0f, lighten(face, 0.22f), darken(face, 0.14f));
        p.line(fx(left) + 2.0f, fx(top) + 1.5f, fx(right) - 2.0f, fx(top) + 1.5f, 1.0f,
               Argb(90, 255, 255, 255), TLineCap::Butt);
        if (head) {
            const std::string label = code == 0 ? "R" : std::to_string(code);
            capsText(p, {ox + 1, 26, 10, 10}, label, 9.0f, withAlpha(kInk, 220), true);
        }
    }
    // Inside a longer event the step borders show faintly, so the steps can still be counted.
    if (!roundLeft) {
        p.line(fx(ox) + 0.5f, fx(top) + 6.0f, fx(ox) + 0.5f, fx(top + height) - 6.0f, 1.0f,
               code == 10 ? Argb(40, 255, 255, 255) : Argb(46, 0, 0, 0), TLineCap::Butt);
    }
    p.setClip(saved);
}

TImage stepImage(int32_t code, char part) {
    TImage img = picture(12, 40);
    TPainter p(img.bitmap);
    drawStep(p, 0, code, part);
    return img;
}

TImage unusedStep() {
    TImage img = picture(12, 40);
    TPainter p(img.bitmap);
    p.fill({0, 0, 12, 40}, Argb(165, 9, 10, 12));
    p.fillCircle(6.0f, 20.0f, 1.2f, Argb(70, 255, 255, 255));
    return img;
}

// ---- Sequencer strips -----------------------------------------------------------------------

// Segmented button of equal cells with centred captions.
TImage segmented(int32_t w, int32_t h, const std::vector<std::string_view> &captions) {
    TImage img = picture(w, h);
    TPainter p(img.bitmap);
    buttonFace(p, {0, 0, w, h}, 4.0f);
    const auto n = static_cast<int32_t>(captions.size());
    const int32_t cw = w / n;
    for (int32_t i = 0; i < n; ++i) {
        if (i > 0) {
            p.line(fx(i * cw) - 0.5f, 1.0f, fx(i * cw) - 0.5f, fx(h) - 1.0f, 1.0f, kButtonEdge,
                   TLineCap::Butt);
            p.line(fx(i * cw) + 0.5f, 2.0f, fx(i * cw) + 0.5f, fx(h) - 2.0f, 1.0f,
                   Argb(30, 255, 255, 255), TLineCap::Butt);
        }
        capsText(p, {i * cw, 0, cw, h}, captions[static_cast<size_t>(i)], 9.0f, kButtonText);
    }
    return img;
}

// A 20-pixel cell's 18 × 18 face.
TRect cellRect(int32_t i) { return {i * 20 + 1, 1, 18, 18}; }

TImage chosenEffectStrip() {
    TImage img = picture(220, 20);
    TPainter p(img.bitmap);
    for (int32_t i = 0; i < 11; ++i) {
        const TRect r = cellRect(i);
        if (i == 10) {
            p.fillRoundRect(r, 3.0f, Rgb(28, 29, 33));
            p.strokeRoundRect(r, 3.0f, 1.0f, Rgb(86, 90, 100));
            continue;
        }
        const uint32_t c = i == 0 ? kRandom : kEffectColours[static_cast<size_t>(i - 1)];
        p.fillRoundRect(r, 3.0f, kButtonEdge);
        fillRoundGradient(p, r.inset(1), 2.0f, lighten(c, 0.2f), darken(c, 0.12f));
        capsText(p, r, i == 0 ? "R" : std::to_string(i), 10.0f, kInk);
    }
    return img;
}

TImage patternBankStrip() {
    TImage img = picture(320, 20);
    TPainter p(img.bitmap);
    for (int32_t i = 0; i < 16; ++i) {
        const TRect r = cellRect(i);
        const bool odd = (i / 4) % 2 == 1;
        buttonFace(p, r, 3.0f, odd ? Rgb(66, 70, 79) : kButtonTop,
                   odd ? Rgb(44, 47, 53) : kButtonBottom);
        capsText(p, r, std::to_string(i + 1), 9.0f, kButtonText);
    }
    return img;
}

// Four templates, each a small picture of its rhythm over four steps.
TImage templatesStrip() {
    TImage img = picture(80, 20);
    TPainter p(img.bitmap);
    // Per template: event lengths over four steps; 0 marks a blank step.
    const std::array<std::vector<int32_t>, 4> rhythms = {
        std::vector<int32_t>{4}, {2, 2}, {1, 1, 1, 1}, {0, 3}};
    for (int32_t k = 0; k < 4; ++k) {
        const TRect r = cellRect(k);
        buttonFace(p, r, 3.0f);
        int32_t x = r.x + 2;
        constexpr int32_t slot = 4;
        for (int32_t len : rhythms[static_cast<size_t>(k)]) {
            const int32_t steps = len == 0 ? 1 : len;
            const TRect ev{x, 5, slot * steps - 1, 10};
            if (len == 0) {
                p.strokeRoundRect(ev, 1.0f, 1.0f, Rgb(120, 125, 136));
            } else {
                p.fillRoundRect(ev, 1.0f, kRandom);
            }
            x += slot * steps;
        }
    }
    return img;
}

// Two-half button: "−" / "+" or "◀" / "▶".
TImage twoHalves(bool arrows) {
    TImage img = picture(40, 20);
    TPainter p(img.bitmap);
    buttonFace(p, {0, 0, 40, 20}, 4.0f);
    p.line(19.5f, 1.0f, 19.5f, 19.0f, 1.0f, kButtonEdge, TLineCap::Butt);
    p.line(20.5f, 2.0f, 20.5f, 18.0f, 1.0f, Argb(30, 255, 255, 255), TLineCap::Butt);
    const uint32_t c = kButtonText;
    if (arrows) {
        p.fillPolygon({{7.0f, 10.0f}, {13.0f, 6.0f}, {13.0f, 14.0f}}, c);
        p.fillPolygon({{33.0f, 10.0f}, {27.0f, 6.0f}, {27.0f, 14.0f}}, c);
    } else {
        p.line(6.0f, 10.0f, 14.0f, 10.0f, 2.0f, c, TLineCap::Butt);
        p.line(26.0f, 10.0f, 34.0f, 10.0f, 2.0f, c, TLineCap::Butt);
        p.line(30.0f, 6.0f, 30.0f, 14.0f, 2.0f, c, TLineCap::Butt);
    }
    return img;
}

// A learn outline: bright rounded frame, transparent inside.
TImage learnFrame(int32_t w, int32_t h) {
    TImage img = picture(w, h);
    TPainter p(img.bitmap);
    p.strokeRoundRect({0, 0, w, h}, 4.0f, 3.0f, withAlpha(kLearn, 60));
    p.strokeRoundRect({0, 0, w, h}, 4.0f, 2.0f, kLearn);
    return img;
}

// ---- Switches and buttons -------------------------------------------------------------------

TImage letterSwitch(std::string_view letter, bool on) {
    TImage img = picture(18, 18);
    TPainter p(img.bitmap);
    const TRect r{1, 1, 16, 16};
    if (on) {
        p.fillRoundRect({0, 0, 18, 18}, 4.0f, withAlpha(kAccent, 60));
        p.fillRoundRect(r, 3.0f, darken(kAccent, 0.45f));
        fillRoundGradient(p, r.inset(1), 2.0f, lighten(kAccent, 0.25f), kAccent);
        capsText(p, r, letter, 10.0f, kInk);
    } else {
        p.fillRoundRect(r, 3.0f, Rgb(28, 29, 33));
        p.strokeRoundRect(r, 3.0f, 1.0f, Rgb(108, 113, 124));
        capsText(p, r, letter, 10.0f, Rgb(150, 155, 166));
    }
    return img;
}

// A header switch with a status LED and its state as text.
TImage ledSwitch(int32_t w, std::string_view caption, uint32_t ledColour, bool lit) {
    TImage img = picture(w, 18);
    TPainter p(img.bitmap);
    buttonFace(p, {0, 0, w, 18}, 3.0f);
    led(p, 8.5f, 9.0f, 3.0f, ledColour, lit);
    const float size = w < 70 ? 8.0f : 9.0f;
    capsText(p, {14, 0, w - 16, 18}, caption, size, lit ? Rgb(240, 242, 246) : Rgb(140, 145, 155));
    return img;
}

TImage smallButton(int32_t w, int32_t h, std::string_view caption) {
    TImage img = picture(w, h);
    TPainter p(img.bitmap);
    buttonFace(p, {0, 0, w, h}, 3.0f);
    if (!caption.empty()) {
        capsText(p, {0, 0, w, h}, caption, 9.0f, kButtonText);
    }
    return img;
}

// Nearly invisible hit shape: a faint rounded tint.
TImage hitShape(int32_t w, int32_t h) {
    TImage img = picture(w, h);
    TPainter p(img.bitmap);
    p.fillRoundRect({0, 0, w, h}, 4.0f, Argb(14, 255, 255, 255));
    return img;
}

TImage triangleMarker(int32_t w, int32_t h) {
    TImage img = picture(w, h);
    TPainter p(img.bitmap);
    const float c = fx(w) * 0.5f;
    p.fillPolygon({{c, 0.0f}, {fx(w) - 1.0f, fx(h)}, {1.0f, fx(h)}}, kAccent);
    return img;
}

TImage cellMarker() {
    TImage img = picture(20, 20);
    TPainter p(img.bitmap);
    p.strokeRoundRect({0, 0, 20, 20}, 4.0f, 2.0f, Rgb(250, 250, 252));
    p.strokeRoundRect({2, 2, 16, 16}, 3.0f, 1.0f, Argb(160, 0, 0, 0));
    return img;
}

TImage fxRandomiseButton() {
    TImage img = picture(83, 30);
    TPainter p(img.bitmap);
    buttonFace(p, {0, 0, 83, 30}, 4.0f);
    // A die face beside the caption.
    p.fillRoundRect({8, 8, 14, 14}, 3.0f, kRandom);
    for (const auto &[dx, dy] :
         std::array<std::pair<float, float>, 3>{{{11.5f, 11.5f}, {15.0f, 15.0f}, {18.5f, 18.5f}}}) {
        p.fillCircle(dx, dy, 1.3f, kInk);
    }
    capsText(p, {24, 0, 56, 30}, "RANDOM", 9.0f, kButtonText);
    return img;
}

// ---- Filter selectors -----------------------------------------------------------------------

// The response curve of filter type t (1 LP, 2 HP, 3 BP, 4 notch) in a 17-pixel cell at ox.
void filterIcon(TPainter &p, int32_t ox, int32_t type, uint32_t colour) {
    const float x0 = fx(ox) + 3.0f, x1 = fx(ox) + 14.0f;
    const float hi = 5.5f, lo = 12.5f;
    if (type == 0) {
        const float cx = fx(ox) + 8.5f, cy = 8.5f;
        p.strokeCircle(cx, cy, 4.0f, 1.3f, colour);
        p.line(cx - 2.8f, cy + 2.8f, cx + 2.8f, cy - 2.8f, 1.3f, colour);
        return;
    }
    std::vector<TPointF> pts;
    constexpr int32_t n = 16;
    for (int32_t i = 0; i <= n; ++i) {
        const float t = fx(i) / fx(n);
        float level = 1.0f; // 1 = passes (high on the icon), 0 = stopped
        switch (type) {
        case 1:
            level = t < 0.45f ? 1.0f : std::max(0.0f, 1.0f - std::pow((t - 0.45f) / 0.5f, 1.3f));
            break;
        case 2:
            level = t > 0.55f ? 1.0f : std::max(0.0f, 1.0f - std::pow((0.55f - t) / 0.5f, 1.3f));
            break;
        case 3:
            level = std::exp(-std::pow((t - 0.5f) / 0.2f, 2.0f));
            break;
        default:
            level = 1.0f - std::exp(-std::pow((t - 0.5f) / 0.13f, 2.0f));
            break;
        }
        pts.push_back({x0 + (x1 - x0) * t, lo + (hi - lo) * level});
    }
    polyline(p, pts, 1.4f, colour);
}

TImage filterTypeImage(int32_t selected) {
    TImage img = picture(85, 17);
    TPainter p(img.bitmap);
    well(p, {0, 0, 85, 17}, 3.0f, Rgb(24, 25, 29));
    for (int32_t k = 0; k < 5; ++k) {
        const int32_t ox = k * 17;
        if (k > 0) {
            p.line(fx(ox) + 0.5f, 3.0f, fx(ox) + 0.5f, 14.0f, 1.0f, Rgb(44, 46, 52),
                   TLineCap::Butt);
        }
        const bool lit = k == selected;
        if (lit) {
            const TRect r{ox + 1, 1, 15, 15};
            fillRoundGradient(p, r, 2.5f, lighten(kAccent, 0.2f), kAccent);
        }
        filterIcon(p, ox, k, lit ? kInk : Rgb(128, 133, 144));
    }
    return img;
}

// Q mode: A (normal) or B (resonant, drawn hotter).
TImage filterModeImage(bool b) {
    TImage img = picture(20, 20);
    TPainter p(img.bitmap);
    if (b) {
        buttonFace(p, {0, 0, 20, 20}, 4.0f, Rgb(112, 58, 44), Rgb(74, 36, 28));
        capsText(p, {0, 0, 20, 20}, "B", 11.0f, lighten(kWarn, 0.35f));
    } else {
        buttonFace(p, {0, 0, 20, 20}, 4.0f);
        capsText(p, {0, 0, 20, 20}, "A", 11.0f, kButtonText);
    }
    return img;
}

// ---- Clipping icons -------------------------------------------------------------------------

TImage clippingImage(int32_t mode) {
    TImage img = picture(31, 25);
    TPainter p(img.bitmap);
    well(p, {0, 0, 31, 25}, 3.0f, Rgb(22, 23, 27));
    const float cy = 9.0f, amp = 5.5f, limit = 0.64f;
    // The clip level, where there is one.
    if (mode > 0) {
        for (float y : {cy - amp * limit, cy + amp * limit}) {
            p.line(3.0f, y, 28.0f, y, 1.0f, Argb(56, 255, 255, 255), TLineCap::Butt);
        }
    }
    std::vector<TPointF> pts;
    for (int32_t i = 0; i <= 48; ++i) {
        const float t = fx(i) / 48.0f;
        const float s = std::sin(t * 2.0f * kPi);
        float v = s;
        if (mode == 1) {
            v = std::tanh(2.0f * s) / std::tanh(2.0f) * limit;
        } else if (mode == 2) {
            v = std::clamp(1.8f * s, -1.0f, 1.0f) * limit;
        }
        pts.push_back({4.0f + 23.0f * t, cy - amp * v});
    }
    const uint32_t colour = mode == 0 ? Rgb(200, 204, 212) : mode == 1 ? kAccent : kWarn;
    polyline(p, pts, 1.5f, colour);
    static constexpr std::array<std::string_view, 3> kNames = {"OFF", "SOFT", "HARD"};
    capsText(p, {0, 16, 31, 8}, kNames[static_cast<size_t>(mode)], 8.0f, Rgb(170, 175, 186));
    return img;
}

// ---- Background -----------------------------------------------------------------------------

void heading(TPainter &p, int32_t x, int32_t y, int32_t w, std::string_view s,
             TAlign align = TAlign::Centre) {
    p.text(x, y, s, 9.0f, kHeading, align, w, true);
}

void caption(TPainter &p, int32_t cx, int32_t y, std::string_view s) {
    p.text(cx - 30, y, s, 9.0f, kSubtle, TAlign::Centre, 60, false);
}

void drawLogo(TPainter &p) {
    panel(p, {1, 1, 172, 96}, 5.0f);
    const gui::TFontMetrics m = gui::fontMetrics(20.0f, gui::TFontStyle::Bold);
    p.text(11, 22 - m.ascent, "FRAKLE", 20.0f, Rgb(238, 240, 244), TAlign::Left, 0, true);
    p.text(12, 30, "stereo beat slicer", 9.0f, kSubtle);
    // The nine effect colours as a strip under the name.
    for (int32_t e = 0; e < 9; ++e) {
        const float x = 12.0f + fx(e) * 16.8f;
        p.fillRoundRect({static_cast<int32_t>(std::lround(x)), 49, 15, 4}, 1.5f,
                        kEffectColours[static_cast<size_t>(e)]);
    }
    grooveH(p, 8, 166, 64);
}

void drawHeader(TPainter &p) {
    panel(p, {176, 1, 667, 96}, 5.0f);
    constexpr int32_t y = 13;
    heading(p, 178, y, 61, "Probability");
    heading(p, 237, y, 48, "Seed");
    heading(p, 289, y, 48, "De-click");
    heading(p, 344, y, 104, "Envelope");
    heading(p, 449, y, 100, "Overdrive");
    heading(p, 556, y, 0, "Master filter", TAlign::Left);
    heading(p, 735, y, 0, "Output", TAlign::Left);
    for (int32_t x : {235, 287, 342, 447, 550, 727}) {
        grooveV(p, x, 31, 92);
    }
}

void drawSequencerArea(TPainter &p) {
    panel(p, {1, 103, 842, 111}, 5.0f);
    constexpr int32_t y = 110;
    heading(p, 10, y, 0, "Effect", TAlign::Left);
    heading(p, 240, y, 0, "Randomise", TAlign::Left);
    heading(p, 370, y, 0, "Template", TAlign::Left);
    heading(p, 459, y, 0, "Pattern bank", TAlign::Left);
    heading(p, 782, y, 60, "Length");
    heading(p, 782, 165, 60, "Shift");
    // Wells behind the cell strips.
    well(p, {8, 123, 224, 24}, 4.0f);
    well(p, {368, 123, 84, 24}, 4.0f);
    well(p, {457, 123, 324, 24}, 4.0f);

    // The step lane: beats shaded in turn, bars marked, step numbers above each beat.
    well(p, {8, 157, 772, 44}, 4.0f, Rgb(16, 17, 20));
    for (int32_t beat = 0; beat < 16; ++beat) {
        const int32_t x = 10 + beat * 48;
        p.fill({x, 159, 48, 40}, beat % 2 == 0 ? Rgb(31, 33, 38) : Rgb(25, 26, 30));
        for (int32_t s = 1; s < 4; ++s) {
            const float lx = fx(x + 12 * s) + 0.5f;
            p.line(lx, 160.0f, lx, 198.0f, 1.0f, Argb(70, 0, 0, 0), TLineCap::Butt);
        }
        if (beat > 0) {
            const float lx = fx(x) + 0.5f;
            p.line(lx, 159.0f, lx, 199.0f, 1.0f, beat % 4 == 0 ? Rgb(74, 78, 88) : Rgb(44, 46, 52),
                   TLineCap::Butt);
        }
        const bool bar = beat % 4 == 0;
        p.text(x + 1, 146, std::to_string(beat * 4 + 1), 9.0f, bar ? kHeading : kSubtle,
               TAlign::Left, 0, bar);
    }
}

void drawEffectColumn(TPainter &p, int32_t e) {
    const int32_t x0 = 2 + 94 * e;
    const uint32_t c = kEffectColours[static_cast<size_t>(e)];
    const TRect col{x0 - 1, 218, 90, 375};
    panel(p, col, 5.0f);

    // Header: the effect's colour and name.
    const TRect saved = p.intersectClip({x0 - 1, 218, 90, 19});
    fillRoundGradient(p, {x0 - 1, 218, 90, 30}, 5.0f, lighten(c, 0.18f), darken(c, 0.1f));
    p.setClip(saved);
    p.line(fx(x0), 237.5f, fx(x0 + 88), 237.5f, 1.0f, Argb(120, 0, 0, 0), TLineCap::Butt);
    capsText(p, {x0, 220, 88, 17}, kEffectNames[static_cast<size_t>(e)], 10.0f, kInk);

    // The tag under the header: the effect's number in its colour (click to choose it).
    const TRect tab{x0 + 2, 240, 14, 36};
    p.fillRoundRect(tab, 3.0f, withAlpha(c, 34));
    p.strokeRoundRect(tab, 3.0f, 1.0f, withAlpha(c, 120));
    capsText(p, tab, std::to_string(e + 1), 11.0f, c);

    grooveH(p, x0 + 3, x0 + 85, 280);
    grooveH(p, x0 + 3, x0 + 85, 474);
    grooveH(p, x0 + 3, x0 + 85, 543);
    caption(p, x0 + 14, 530, "Mode");
    caption(p, x0 + 45, 530, "Freq");
    caption(p, x0 + 75, 530, "Q");
    caption(p, x0 + 15, 578, "Pan");
    caption(p, x0 + 45, 578, "Mix");
    caption(p, x0 + 75, 578, "Vol");
}

void drawHelpLine(TPainter &p) {
    well(p, {1, 597, 842, 27}, 4.0f, kHelpLineColour);
    p.strokeCircle(19.0f, 610.5f, 6.0f, 1.2f, kSubtle);
    capsText(p, {13, 604, 12, 13}, "i", 9.0f, kHeading);
}

TImage background() {
    TImage img = picture(844, 626);
    TPainter p(img.bitmap);
    p.fillGradient({0, 0, 844, 626}, kWindowTop, kWindowBottom);
    drawLogo(p);
    drawHeader(p);
    drawSequencerArea(p);
    for (int32_t e = 0; e < 9; ++e) {
        drawEffectColumn(p, e);
    }
    drawHelpLine(p);
    return img;
}

// ---- The lists ------------------------------------------------------------------------------

TImageList sequencerList() {
    TImageList list;
    list.images.push_back(unusedStep());
    for (char part : {'a', 'b', 'c', 'd'}) {
        for (int32_t code = 0; code < 11; ++code) {
            list.images.push_back(stepImage(code, part));
        }
    }
    return list;
}

} // namespace

uint32_t effectColour(int32_t e) {
    return e >= 0 && e < 9 ? kEffectColours[static_cast<size_t>(e)] : kRandom;
}

TSkin buildSkin() {
    TSkin s;
    s.backgrounds.images.push_back(background());

    s.misc.images.push_back(triangleMarker(11, 5));
    s.misc.images.push_back(letterSwitch("S", false));
    s.misc.images.push_back(letterSwitch("S", true));
    s.misc.images.push_back(letterSwitch("G", false));
    s.misc.images.push_back(letterSwitch("G", true));
    s.misc.images.push_back(fxRandomiseButton());
    s.misc.images.push_back(picture(768, 40));

    s.sequencer = sequencerList();

    s.hitDetection.images.push_back(segmented(120, 20, {"STEPS", "FX", "BOTH"}));
    s.hitDetection.images.push_back(chosenEffectStrip());
    s.hitDetection.images.push_back(templatesStrip());
    s.hitDetection.images.push_back(patternBankStrip());
    s.hitDetection.images.push_back(twoHalves(false));
    s.hitDetection.images.push_back(twoHalves(true));
    {
        TImage frame = picture(328, 39);
        TPainter p(frame.bitmap);
        p.strokeRoundRect({1, 12, 326, 26}, 5.0f, 3.0f, withAlpha(kLearn, 60));
        p.strokeRoundRect({1, 12, 326, 26}, 5.0f, 2.0f, kLearn);
        s.hitDetection.images.push_back(std::move(frame));
    }

    TImageList &fm = s.frakleMisc;
    fm.images.push_back(triangleMarker(18, 5));
    fm.images.push_back(cellMarker());
    fm.images.push_back(letterSwitch("S", false));
    fm.images.push_back(letterSwitch("S", true));
    fm.images.push_back(letterSwitch("G", false));
    fm.images.push_back(letterSwitch("G", true));
    fm.images.push_back(ledSwitch(58, "MIDI OFF", kLedGreen, false));
    fm.images.push_back(ledSwitch(58, "MIDI ON", kLedGreen, true));
    fm.images.push_back(ledSwitch(88, "FREE RUN", kLedAmber, true));
    fm.images.push_back(ledSwitch(88, "HOST SYNC", kLedGreen, true));
    fm.images.push_back(smallButton(76, 16, ""));
    fm.images.push_back(hitShape(20, 40));
    fm.images.push_back(learnFrame(22, 22));
    fm.images.push_back(learnFrame(32, 22));
    fm.images.push_back(learnFrame(89, 21));
    fm.images.push_back(smallButton(28, 16, "INIT"));
    fm.images.push_back(smallButton(32, 16, "RND"));
    fm.images.push_back(learnFrame(46, 20));
    fm.images.push_back(learnFrame(36, 20));
    fm.images.push_back(hitShape(88, 16));

    s.knobs.images.push_back(knobStrip(39, false));
    s.knobs.images.push_back(knobStrip(39, true));
    s.knobs.images.push_back(knobStrip(29, false));
    s.knobs.images.push_back(knobStrip(29, true));
    s.knobs.images.push_back(probabilityStrip());
    s.knobs.images.push_back(learnRing(41));
    s.knobs.images.push_back(learnRing(31));

    for (int32_t k = 0; k < 5; ++k) {
        s.filterType.images.push_back(filterTypeImage(k));
    }
    s.filterType.images.push_back(filterModeImage(false));
    s.filterType.images.push_back(filterModeImage(true));

    for (int32_t m = 0; m < 3; ++m) {
        s.clipping.images.push_back(clippingImage(m));
    }
    return s;
}

const TSkin &skin() {
    static const TSkin built = buildSkin();
    return built;
}

} // namespace frakle::editor
