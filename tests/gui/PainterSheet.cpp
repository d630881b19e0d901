// Draws a sample sheet of the painter's text and shapes into a PNG (default
// /tmp/painter-sheet.png), plus a copy enlarged three times beside it, for checking by eye.
#include "gui/Painter.h"
#include "gui/PngWriter.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

using namespace frakle::gui;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void knob(TPainter &p, float cx, float cy, float r, float value, uint32_t accent) {
    const float start = -0.75f * kPi;
    const float travel = 1.5f * kPi;
    p.fillCircle(cx, cy + 1.5f, r + 1.0f, Argb(90, 0, 0, 0)); // shadow
    p.fillCircle(cx, cy, r, Rgb(58, 60, 66));
    p.strokeCircle(cx, cy, r - 0.5f, 1.0f, Rgb(90, 93, 100));
    p.arc(cx, cy, r + 5.0f, 3.0f, start, start + travel, Rgb(40, 41, 45));
    p.arc(cx, cy, r + 5.0f, 3.0f, start, start + travel * value, accent);
    const float a = start + travel * value;
    const float sx = std::sin(a), sy = -std::cos(a);
    p.line(cx + sx * r * 0.35f, cy + sy * r * 0.35f, cx + sx * (r - 3.0f), cy + sy * (r - 3.0f),
           2.0f, Rgb(235, 235, 235));
}

} // namespace

int main(int argc, char **argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/painter-sheet.png";
    TBitmap sheet(640, 420, Rgb(30, 31, 35));
    TPainter p(sheet);

    const char *lines[] = {
        "Frakle 1.3  Retrigger  Tape Stop  Shuffler  Crusher  Gater",
        "Mix 75 %  Pan L12  -3.5 dB  120.00 BPM  45\xC2\xB0  90\xB0  1/16",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789",
        "illegal ||| lll mm wave filter \xC3\xA9t\xC3\xA9 \xC3\x84\xC3\x96\xC3\x9C"};
    int32_t y = 8;
    for (float size : {9.0f, 10.0f, 11.0f}) {
        for (bool bold : {false, true}) {
            for (const char *line : lines) {
                const uint32_t colour = bold ? Rgb(160, 162, 168) : Rgb(240, 240, 240);
                p.text(8, y, line, size, colour, TAlign::Left, 0, bold);
                y += TPainter::measureText(line, size, bold).h;
            }
            y += 2;
        }
    }

    // Dark text on a light panel, centred and right-aligned in boxes.
    p.fillRoundRect({400, 250, 230, 60}, 6.0f, Rgb(214, 216, 220));
    p.strokeRoundRect({400, 250, 230, 60}, 6.0f, 1.0f, Rgb(120, 122, 128));
    p.text(400, 256, "Centred 10 px", 10.0f, Rgb(20, 20, 24), TAlign::Centre, 230);
    p.text(400, 272, "Right 11 px bold", 11.0f, Rgb(20, 20, 24), TAlign::Right, 226, true);
    p.text(406, 290, "Left 9 px: Filter 2.4 kHz", 9.0f, Rgb(60, 60, 66));

    // A button: gradient, rounded outline, centred label.
    p.fillGradient({401, 321, 108, 22}, Rgb(84, 88, 96), Rgb(52, 54, 60));
    p.strokeRoundRect({400, 320, 110, 24}, 2.0f, 1.0f, Rgb(20, 20, 22));
    const TSize label = TPainter::measureText("RANDOMISE", 10.0f, true);
    p.text(400, 320 + (24 - label.h) / 2, "RANDOMISE", 10.0f, Rgb(240, 240, 240), TAlign::Centre,
           110, true);
    p.fillGradient({520, 320, 110, 24}, Rgb(200, 80, 40), Argb(0, 200, 80, 40),
                   TOrientation::Horizontal);

    // Knobs, circles, rings, lines and a pointer triangle.
    knob(p, 40, 360, 18, 0.0f, Rgb(255, 140, 40));
    knob(p, 100, 360, 18, 0.62f, Rgb(255, 140, 40));
    knob(p, 160, 360, 12, 1.0f, Rgb(80, 200, 255));
    p.fillCircle(210.5f, 360.5f, 6.0f, Rgb(220, 60, 60));
    p.fillCircle(230.0f, 360.0f, 3.0f, Rgb(60, 220, 90));
    p.strokeCircle(260.0f, 360.0f, 12.0f, 1.0f, Rgb(200, 200, 200));
    p.strokeCircle(295.0f, 360.0f, 12.0f, 2.5f, Rgb(200, 200, 200));
    for (int32_t i = 0; i < 8; ++i) {
        const float a = static_cast<float>(i) * kPi / 8.0f;
        p.line(345.0f, 360.0f, 345.0f + 20.0f * std::cos(a), 360.0f - 20.0f * std::sin(a),
               i % 2 == 0 ? 1.0f : 2.0f, Rgb(230, 230, 230));
    }
    p.fillPolygon({{375.0f, 395.0f}, {390.0f, 395.0f}, {382.5f, 405.0f}}, Rgb(255, 140, 40));
    p.line(20.0f, 400.5f, 360.0f, 400.5f, 1.0f, Rgb(120, 120, 120), TLineCap::Butt);
    p.line(20.0f, 408.0f, 360.0f, 412.0f, 1.0f, Rgb(120, 120, 120));

    // The clip: a circle cut to its left half.
    const TRect saved = p.intersectClip({560, 350, 20, 60});
    p.fillCircle(580.0f, 380.0f, 25.0f, Rgb(120, 170, 255));
    p.setClip(saved);

    bool ok = writePng(sheet, path);
    // The enlarged copy of the text block.
    TBitmap big(sheet.width * 3, 250 * 3);
    for (int32_t yy = 0; yy < big.height; ++yy) {
        for (int32_t xx = 0; xx < big.width; ++xx) {
            big.at(xx, yy) = sheet.at(xx / 3, yy / 3);
        }
    }
    const std::string bigPath = path.substr(0, path.rfind('.')) + "-x3.png";
    ok = writePng(big, bigPath) && ok;
    std::printf("%s %s\n", path.c_str(), bigPath.c_str());
    return ok ? 0 : 1;
}
