// DejaVu Sans and DejaVu Sans Bold at any pixel size: metrics, layout and a glyph cache.
// The painter draws text through these; widgets use fontMetrics() to place lines.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

namespace frakle::gui {

enum class TFontStyle : uint8_t { Regular, Bold };

struct TFontMetrics {
    int32_t ascent = 0;     // whole pixels from the top of a line to its baseline
    int32_t descent = 0;    // whole pixels from the baseline to the bottom of a line
    int32_t lineHeight = 0; // ascent + descent: every Latin-1 glyph fits in it
};

// One rendered glyph: coverage 0…255 (row-major), placed relative to the pen's whole-pixel
// position on the baseline.
struct TGlyph {
    int32_t left = 0; // column of coverage x = 0, from the pen
    int32_t top = 0;  // row of coverage y = 0, from the baseline (negative: above it)
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> coverage;
};

// A line laid out: every glyph (rendered at its subpixel phase) and the whole-pixel pen position
// it is drawn at, from the start of the line.
struct TGlyphRun {
    struct TItem {
        const TGlyph *glyph = nullptr;
        int32_t x = 0;
    };
    std::vector<TItem> items;
    int32_t width = 0; // the advance of the whole line rounded up, at least the ink's right edge
};

class TFontFace;

// The face for a size (rounded to a quarter pixel) and style, created on first use and kept
// for the life of the process. Hold lockFonts() while using faces and the glyphs they return.
TFontFace &fontFace(float sizePx, TFontStyle style);
std::unique_lock<std::mutex> lockFonts();

const TFontMetrics &metricsOf(const TFontFace &face);
TGlyphRun layoutText(TFontFace &face, std::string_view text);

// Codepoints of a UTF-8 string; bytes that are not valid UTF-8 count as Latin-1, so "°" may
// arrive either as C2 B0 or as the single byte B0.
std::vector<uint32_t> decodeText(std::string_view text);

// The metrics of a face, locking on its own.
TFontMetrics fontMetrics(float sizePx, TFontStyle style = TFontStyle::Regular);

} // namespace frakle::gui
