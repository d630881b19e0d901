// Drawing the --plot picture with the widget library's painter and PNG writer.
#include "tools/render/Plot.h"

#include "gui/Painter.h"
#include "gui/PngWriter.h"
#include "state/ProgramRecord.h"
#include "tools/common/ToolSupport.h"
#include "tools/render/RenderOptions.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace frakle::tools {

namespace {

using gui::Argb;
using gui::Rgb;
using gui::TAlign;
using gui::TPainter;
using gui::TRect;

// Where the saved program keeps the pattern the plot marks.
constexpr size_t kCurrentPatternOffset = offsetof(state::TProgramRecord, currentPattern);
constexpr size_t kStepsOffset = offsetof(state::TProgramRecord, patternSteps);
constexpr size_t kStepsPerPattern = state::kMaxSteps;
constexpr size_t kStepCountOffset = offsetof(state::TProgramRecord, stepCount);
constexpr int32_t kPatterns = state::kNumPatterns;

constexpr uint32_t kBackground = Rgb(0x16, 0x18, 0x1d);
constexpr uint32_t kPane = Rgb(0x1e, 0x21, 0x28);
constexpr uint32_t kText = Rgb(0xc8, 0xcc, 0xd4);
constexpr uint32_t kInputColour = Rgb(0x5a, 0xa9, 0xe6);
constexpr uint32_t kOutputColour = Rgb(0xf2, 0xa5, 0x41);
constexpr uint32_t kTieColour = Rgb(0x4a, 0x4e, 0x58);
constexpr uint32_t kRandomColour = Rgb(0xe0, 0xe0, 0xe0);
constexpr uint32_t kOffColour = Rgb(0x80, 0x30, 0x30);
// Effects 0..8 in the order of kEffectNames.
constexpr uint32_t kEffectColours[] = {
    Rgb(0xe5, 0x4b, 0x4b), Rgb(0x9b, 0x6b, 0xe8), Rgb(0x4c, 0xc9, 0x6f),
    Rgb(0xe8, 0xd4, 0x4d), Rgb(0x3d, 0xc1, 0xd3), Rgb(0xe8, 0x7a, 0x3d),
    Rgb(0xd9, 0x5b, 0xb5), Rgb(0x6f, 0x8f, 0xf0), Rgb(0xa8, 0xc9, 0x4c)};

uint32_t stepColour(uint8_t code) {
    if (code == 1) {
        return kRandomColour;
    }
    if (code >= 2 && code <= 10) {
        return kEffectColours[code - 2];
    }
    return code == 11 ? kOffColour : kTieColour;
}

// Min/max of both channels per pixel column of the pane, drawn as vertical strokes.
void drawWaveform(TPainter &painter, const TRect &pane, const StereoSignal &signal,
                  uint32_t colour) {
    painter.fill(pane, kPane);
    const float middle = static_cast<float>(pane.y) + static_cast<float>(pane.h) / 2.0f;
    const float half = static_cast<float>(pane.h) / 2.0f - 2.0f;
    painter.line(static_cast<float>(pane.x), middle, static_cast<float>(pane.x + pane.w), middle,
                 1.0f, Argb(90, 0xff, 0xff, 0xff), gui::TLineCap::Butt);
    const size_t frames = signal.frames();
    if (frames == 0) {
        return;
    }
    for (int32_t column = 0; column < pane.w; ++column) {
        const size_t from = frames * static_cast<size_t>(column) / static_cast<size_t>(pane.w);
        const size_t to = std::max(from + 1, frames * static_cast<size_t>(column + 1) /
                                                 static_cast<size_t>(pane.w));
        float low = 0.0f;
        float high = 0.0f;
        for (size_t frame = from; frame < std::min(to, frames); ++frame) {
            for (const float sample : {signal.left[frame], signal.right[frame]}) {
                if (std::isfinite(sample)) {
                    low = std::min(low, sample);
                    high = std::max(high, sample);
                }
            }
        }
        low = std::max(low, -1.0f);
        high = std::min(high, 1.0f);
        const float x = static_cast<float>(pane.x + column) + 0.5f;
        painter.line(x, middle - high * half - 0.5f, x, middle - low * half + 0.5f, 1.0f, colour,
                     gui::TLineCap::Butt);
    }
}

// Sixteenth-note lines, stronger on beats and strongest on bars (4/4), over the given rows.
void drawGrid(TPainter &painter, const PlotInput &plot, double beats, int32_t left, int32_t width,
              int32_t top, int32_t bottom) {
    const double pixelsPerSixteenth = width * 0.25 / beats;
    const double firstSixteenth = std::ceil(plot.startBeat * 4.0 - 1e-9);
    const double lastSixteenth = (plot.startBeat + beats) * 4.0;
    for (double sixteenth = firstSixteenth; sixteenth <= lastSixteenth; sixteenth += 1.0) {
        const bool bar = std::fmod(sixteenth, 16.0) == 0.0;
        const bool beat = std::fmod(sixteenth, 4.0) == 0.0;
        if (!bar && !beat && pixelsPerSixteenth < 3.0) {
            continue;
        }
        if (!bar && pixelsPerSixteenth * 4.0 < 3.0) {
            continue;
        }
        const uint8_t alpha = bar ? 150 : beat ? 80 : 32;
        const float x = static_cast<float>(left) +
                        static_cast<float>((sixteenth / 4.0 - plot.startBeat) / beats * width);
        painter.line(std::floor(x) + 0.5f, static_cast<float>(top), std::floor(x) + 0.5f,
                     static_cast<float>(bottom), 1.0f, Argb(alpha, 0xb0, 0xb8, 0xc8),
                     gui::TLineCap::Butt);
    }
}

// One mark per sixteenth whose code in the current pattern is not a tie; returns the pattern
// number (1..16), or 0 when the chunk carries no pattern.
int32_t drawSteps(TPainter &painter, const PlotInput &plot, double beats, const TRect &strip) {
    painter.fill(strip, kPane);
    if (plot.chunk.size() <= kStepCountOffset) {
        return 0;
    }
    const int32_t pattern = plot.chunk[kCurrentPatternOffset];
    const int32_t steps = static_cast<int8_t>(plot.chunk[kStepCountOffset]);
    if (pattern < 0 || pattern >= kPatterns || steps < 1 ||
        steps > static_cast<int32_t>(kStepsPerPattern)) {
        return 0;
    }
    const size_t codes = kStepsOffset + kStepsPerPattern * static_cast<size_t>(pattern);
    const double firstSixteenth = std::floor(plot.startBeat * 4.0);
    const double lastSixteenth = (plot.startBeat + beats) * 4.0;
    for (double sixteenth = firstSixteenth; sixteenth < lastSixteenth; sixteenth += 1.0) {
        const auto step = static_cast<size_t>(std::fmod(sixteenth, static_cast<double>(steps)));
        const uint8_t code = plot.chunk[codes + step];
        if (code == 0) {
            continue;
        }
        const double from = std::max(sixteenth / 4.0, plot.startBeat);
        const double to = std::min((sixteenth + 1.0) / 4.0, plot.startBeat + beats);
        const float x0 = static_cast<float>(strip.x) +
                         static_cast<float>((from - plot.startBeat) / beats * strip.w);
        const float x1 = static_cast<float>(strip.x) +
                         static_cast<float>((to - plot.startBeat) / beats * strip.w);
        painter.fillPolygon(
            {{x0 + 0.5f, static_cast<float>(strip.y + 2)},
             {std::max(x1 - 0.5f, x0 + 1.0f), static_cast<float>(strip.y + 2)},
             {std::max(x1 - 0.5f, x0 + 1.0f), static_cast<float>(strip.y + strip.h - 2)},
             {x0 + 0.5f, static_cast<float>(strip.y + strip.h - 2)}},
            stepColour(code));
    }
    return pattern + 1;
}

// Coloured swatches with names along one row, from x.
int32_t legendItem(TPainter &painter, int32_t x, int32_t y, uint32_t colour,
                   const std::string &name) {
    painter.fill({x, y + 3, 10, 10}, colour);
    painter.text(x + 14, y, name, 11.0f, kText);
    return x + 14 + TPainter::measureText(name, 11.0f).w + 12;
}

} // namespace

void writePlot(const PlotInput &plot, const std::filesystem::path &path,
               const std::string &shownName) {
    gui::TBitmap bitmap(kPlotWidth, kPlotHeight, kBackground);
    TPainter painter(bitmap);
    const int32_t left = 60;
    const int32_t width = kPlotWidth - left - 12;
    const TRect inputPane{left, 30, width, 190};
    const TRect stepStrip{left, 226, width, 18};
    const TRect outputPane{left, 250, width, 190};
    const double seconds = static_cast<double>(plot.input.frames()) / plot.sampleRate;
    const double beats = std::max(seconds * plot.bpm / 60.0, 1e-9);

    drawWaveform(painter, inputPane, plot.input, kInputColour);
    drawWaveform(painter, outputPane, plot.output, kOutputColour);
    const int32_t pattern = drawSteps(painter, plot, beats, stepStrip);
    drawGrid(painter, plot, beats, left, width, inputPane.y, outputPane.y + outputPane.h);

    painter.text(8, inputPane.y + 4, "in", 12.0f, kInputColour, TAlign::Left, 0, true);
    painter.text(8, stepStrip.y + 2, "steps", 11.0f, kText);
    painter.text(8, outputPane.y + 4, "out", 12.0f, kOutputColour, TAlign::Left, 0, true);

    char title[160];
    std::snprintf(title, sizeof title, "%.3f s at %g bpm from beat %g", seconds, plot.bpm,
                  plot.startBeat);
    std::string heading = title;
    if (pattern > 0) {
        heading += ", pattern " + std::to_string(pattern);
    }
    painter.text(left, 8, heading, 12.0f, kText);
    painter.text(left, 8, "grid: sixteenths, beats and bars", 11.0f, kText, TAlign::Right, width);

    // Legend of the step marks.
    int32_t x = left;
    const int32_t y = outputPane.y + outputPane.h + 18;
    x = legendItem(painter, x, y, kRandomColour, "random");
    for (size_t effect = 0; effect < kEffectNames.size(); ++effect) {
        x = legendItem(painter, x, y, kEffectColours[effect], kEffectNames[effect]);
    }
    legendItem(painter, x, y, kOffColour, "off");

    if (!gui::writePng(bitmap, path.string())) {
        throw ToolError("cannot write " + shownName);
    }
}

} // namespace frakle::tools
