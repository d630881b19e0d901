// DejaVu Sans through stb_truetype: faces per size with cached, subpixel-positioned glyphs.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

#include "gui/Font.h"
#include "gui/FontData.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

namespace frakle::gui {

namespace {

// Glyphs are rendered at this many horizontal positions per pixel; the baseline is always on a
// whole pixel.
constexpr int32_t kPhases = 8;
// A glyph may be drawn up to this many phases (3/8 pixel) away from its exact position
// when that puts its vertical stems on whole pixels: sharper stems, spacing off by little.
constexpr int32_t kSnapReach = 3;
// A shifted position must be this much sharper to be taken over the exact one.
constexpr float kSnapGain = 1.05f;
// Vertical scaling is adjusted by at most this factor to put the x-height or the cap height on
// a whole pixel.
constexpr float kMaxStretch = 0.06f;
// Partial coverage is lifted a little (coverage^(1/kGamma)) so that thin stems drawn light on
// dark keep their weight.
constexpr float kGamma = 1.3f;

struct TFontFile {
    stbtt_fontinfo info{};
    int32_t ascent = 0;  // font units, above the baseline
    int32_t descent = 0; // font units, below the baseline (positive)
    int32_t xHeight = 0; // font units
    int32_t capHeight = 0;
};

TFontFile loadFont(const unsigned char *data) {
    TFontFile f;
    stbtt_InitFont(&f.info, data, stbtt_GetFontOffsetForIndex(data, 0));
    int32_t lineGap = 0;
    stbtt_GetFontVMetrics(&f.info, &f.ascent, &f.descent, &lineGap);
    f.descent = -f.descent;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (stbtt_GetCodepointBox(&f.info, 'x', &x0, &y0, &x1, &y1) != 0) {
        f.xHeight = y1;
    }
    if (stbtt_GetCodepointBox(&f.info, 'H', &x0, &y0, &x1, &y1) != 0) {
        f.capHeight = y1;
    }
    return f;
}

const TFontFile &fontFile(TFontStyle style) {
    static const TFontFile regular = loadFont(fontdata::kDejaVuSans);
    static const TFontFile bold = loadFont(fontdata::kDejaVuSansBold);
    return style == TFontStyle::Bold ? bold : regular;
}

const std::array<uint8_t, 256> &gammaTable() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int32_t i = 0; i < 256; ++i) {
            const float c = std::pow(static_cast<float>(i) / 255.0f, 1.0f / kGamma);
            t[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(c * 255.0f));
        }
        return t;
    }();
    return table;
}

std::mutex &fontMutex() {
    static std::mutex m;
    return m;
}

} // namespace

class TFontFace {
public:
    TFontFace(const TFontFile &file, float sizePx) : file_(file) {
        scaleX_ = stbtt_ScaleForMappingEmToPixels(&file.info, sizePx);
        scaleY_ = scaleX_;
        // Stretch vertically so that the x-height or the cap height, whichever needs less, lands
        // on a whole pixel: with the baseline on a pixel edge too, those edges come out sharp.
        float best = kMaxStretch;
        for (const int32_t height : {file.xHeight, file.capHeight}) {
            const float h = static_cast<float>(height) * scaleX_;
            if (h >= 1.0f && std::fabs(std::round(h) / h - 1.0f) <= best) {
                best = std::fabs(std::round(h) / h - 1.0f);
                scaleY_ = scaleX_ * std::round(h) / h;
            }
        }
        metrics_.ascent =
            static_cast<int32_t>(std::ceil(static_cast<float>(file.ascent) * scaleY_));
        metrics_.descent =
            static_cast<int32_t>(std::ceil(static_cast<float>(file.descent) * scaleY_));
        metrics_.lineHeight = metrics_.ascent + metrics_.descent;
    }

    const TFontMetrics &metrics() const { return metrics_; }

    struct TEntry {
        int32_t index = 0;
        float advance = 0.0f;
        std::array<std::unique_ptr<TGlyph>, kPhases> glyphs;
        std::array<float, kPhases> sharpness{}; // of each phase's raw coverage; 0: not yet known
    };

    TEntry &entry(uint32_t codepoint) {
        auto it = entries_.find(codepoint);
        if (it != entries_.end()) {
            return it->second;
        }
        TEntry e;
        e.index = stbtt_FindGlyphIndex(&file_.info, static_cast<int32_t>(codepoint));
        if (e.index == 0 && codepoint != '?') {
            e.index = stbtt_FindGlyphIndex(&file_.info, '?');
        }
        int32_t advance = 0, lsb = 0;
        stbtt_GetGlyphHMetrics(&file_.info, e.index, &advance, &lsb);
        e.advance = static_cast<float>(advance) * scaleX_;
        return entries_.emplace(codepoint, std::move(e)).first->second;
    }

    const TGlyph &glyph(TEntry &e, int32_t phase) {
        auto &slot = e.glyphs[static_cast<size_t>(phase)];
        if (!slot) {
            slot = std::make_unique<TGlyph>(
                render(e.index, phase, e.sharpness[static_cast<size_t>(phase)]));
        }
        return *slot;
    }

    // The phase to draw a glyph at whose exact position is `ideal` phases from the pen's whole
    // pixel: the sharpest within reach, as an offset in phases from the pen's whole pixel.
    int32_t snappedPhase(TEntry &e, int32_t ideal) {
        int32_t bestPhase = ideal;
        float bestScore = sharpness(e, ideal) * kSnapGain;
        for (int32_t d = 1; d <= kSnapReach; ++d) {
            for (const int32_t p : {ideal - d, ideal + d}) {
                const float score = sharpness(e, p);
                if (score > bestScore) {
                    bestScore = score * kSnapGain;
                    bestPhase = p;
                }
            }
        }
        return bestPhase;
    }

    float kerning(const TEntry &left, const TEntry &right) const {
        return static_cast<float>(stbtt_GetGlyphKernAdvance(&file_.info, left.index, right.index)) *
               scaleX_;
    }

private:
    float sharpness(TEntry &e, int32_t phase) {
        const auto p = static_cast<size_t>(((phase % kPhases) + kPhases) % kPhases);
        if (e.sharpness[p] == 0.0f) {
            glyph(e, static_cast<int32_t>(p));
        }
        return e.sharpness[p];
    }

    // Renders a glyph and measures its sharpness: the sum of squared coverage, which is largest
    // when stems cover whole pixels.
    TGlyph render(int32_t index, int32_t phase, float &sharpness) const {
        const float shift = static_cast<float>(phase) / static_cast<float>(kPhases);
        int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetGlyphBitmapBoxSubpixel(&file_.info, index, scaleX_, scaleY_, shift, 0.0f, &x0, &y0,
                                        &x1, &y1);
        TGlyph g;
        g.left = x0;
        g.top = y0;
        g.width = std::max(0, x1 - x0);
        g.height = std::max(0, y1 - y0);
        sharpness = 1e-6f;
        if (g.width == 0 || g.height == 0) {
            g.width = g.height = 0;
            return g;
        }
        g.coverage.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.height), 0);
        stbtt_MakeGlyphBitmapSubpixel(&file_.info, g.coverage.data(), g.width, g.height, g.width,
                                      scaleX_, scaleY_, shift, 0.0f, index);
        const auto &gamma = gammaTable();
        for (uint8_t &c : g.coverage) {
            const float v = static_cast<float>(c) / 255.0f;
            sharpness += v * v;
            c = gamma[c];
        }
        return g;
    }

    const TFontFile &file_;
    float scaleX_ = 1.0f;
    float scaleY_ = 1.0f;
    TFontMetrics metrics_;
    std::unordered_map<uint32_t, TEntry> entries_;
};

TFontFace &fontFace(float sizePx, TFontStyle style) {
    static std::map<std::pair<int32_t, int32_t>, std::unique_ptr<TFontFace>> faces;
    const int32_t quarters = std::clamp(static_cast<int32_t>(std::lround(sizePx * 4.0f)), 4, 1024);
    auto &face = faces[{static_cast<int32_t>(style), quarters}];
    if (!face) {
        face = std::make_unique<TFontFace>(fontFile(style), static_cast<float>(quarters) / 4.0f);
    }
    return *face;
}

std::unique_lock<std::mutex> lockFonts() { return std::unique_lock<std::mutex>(fontMutex()); }

const TFontMetrics &metricsOf(const TFontFace &face) { return face.metrics(); }

TFontMetrics fontMetrics(float sizePx, TFontStyle style) {
    auto lock = lockFonts();
    return fontFace(sizePx, style).metrics();
}

std::vector<uint32_t> decodeText(std::string_view text) {
    std::vector<uint32_t> out;
    out.reserve(text.size());
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    for (size_t i = 0; i < text.size();) {
        const uint8_t b = byte(i);
        int32_t extra = 0;
        uint32_t cp = b;
        uint32_t min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, cp = b & 0x1Fu, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, cp = b & 0x0Fu, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, cp = b & 0x07u, min = 0x10000;
        }
        bool valid = extra > 0;
        for (int32_t k = 1; valid && k <= extra; ++k) {
            const size_t at = i + static_cast<size_t>(k);
            if (at >= text.size() || (byte(at) & 0xC0u) != 0x80u) {
                valid = false;
            } else {
                cp = (cp << 6) | (byte(at) & 0x3Fu);
            }
        }
        if (valid && cp >= min && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
            out.push_back(cp);
            i += static_cast<size_t>(extra) + 1;
        } else {
            out.push_back(b); // a Latin-1 byte
            ++i;
        }
    }
    return out;
}

TGlyphRun layoutText(TFontFace &face, std::string_view text) {
    TGlyphRun run;
    const std::vector<uint32_t> codepoints = decodeText(text);
    run.items.reserve(codepoints.size());
    float pen = 0.0f;
    int32_t inkRight = 0;
    const TFontFace::TEntry *previous = nullptr;
    for (uint32_t cp : codepoints) {
        TFontFace::TEntry &e = face.entry(cp);
        if (previous != nullptr) {
            pen += face.kerning(*previous, e);
        }
        const float whole = std::floor(pen);
        const auto ideal = static_cast<int32_t>(std::lround((pen - whole) * kPhases));
        const int32_t snapped = face.snappedPhase(e, ideal);
        const int32_t phase = ((snapped % kPhases) + kPhases) % kPhases;
        const int32_t x = static_cast<int32_t>(whole) + (snapped - phase) / kPhases;
        const TGlyph &g = face.glyph(e, phase);
        run.items.push_back({&g, x});
        if (g.width > 0) {
            inkRight = std::max(inkRight, x + g.left + g.width);
        }
        pen += e.advance;
        previous = &e;
    }
    run.width = std::max(static_cast<int32_t>(std::ceil(pen - 1e-3f)), inkRight);
    return run;
}

} // namespace frakle::gui
