// frakle-skin-preview [DIR]: writes every image of the skin to DIR (default /tmp/frakle-skin) as
// PNGs, plus composite.png, the whole editor drawn in a sample state, and composite-outline.png,
// the same with every control's rectangle outlined.
#include "editor/Skin.h"

#include "gui/Painter.h"
#include "gui/PngWriter.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
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
using gui::TPainter;
using gui::TRect;

// ---- Writing the lists ----------------------------------------------------------------------

struct TNamedList {
    std::string_view name;
    const TImageList *list;
    std::vector<std::string_view> names;
};

bool writeLists(const TSkin &s, const std::filesystem::path &dir) {
    const std::vector<TNamedList> lists = {
        {"backgrounds", &s.backgrounds, {"gui"}},
        {"misc",
         &s.misc,
         {"seqMarker", "soloOff", "soloOn", "masterEffectOff", "masterEffectOn", "fxrandomise",
          "seqHitDetect"}},
        {"frakle13_sequencer", &s.sequencer, {}},
        {"frakle13_hit_detection",
         &s.hitDetection,
         {"randomise_sequence", "chosen_effect", "presets", "patternbank", "hit_left_right",
          "shift_sequence", "midimap_patnum"}},
        {"frakle13_misc", &s.frakleMisc, {"seqpos",           "marker",
                                          "solo_off",         "solo_on",
                                          "global_off",       "global_on",
                                          "midi_enable",      "midi_disable",
                                          "transport_enable", "transport_disable",
                                          "fx_button",        "choose_effect_tag",
                                          "midimap_solo",     "midimap_prob",
                                          "midimap_ft",       "but_fx_init",
                                          "but_fx_rand",      "midimap_fx_init",
                                          "midimap_fx_rand",  "choose_effect_tag2"}},
        {"frakle13_knobs",
         &s.knobs,
         {"knob35x35", "knob35x35_pan", "knob25x25", "knob25x25_pan", "probability", "midi_learn",
          "midi_learn_small"}},
        {"frakle13_filter_type",
         &s.filterType,
         {"off", "lowpass", "highpass", "bandpass", "notch", "mode_a", "mode_b"}},
        {"frakle13_clipping", &s.clipping, {"none", "soft", "hard"}},
    };
    static constexpr std::array<std::string_view, 11> kStepNames = {
        "fxr", "fx1", "fx2", "fx3", "fx4", "fx5", "fx6", "fx7", "fx8", "fx9", "fx0"};
    bool ok = true;
    for (const TNamedList &l : lists) {
        const std::filesystem::path sub = dir / std::string(l.name);
        std::filesystem::create_directories(sub);
        for (size_t i = 0; i < l.list->images.size(); ++i) {
            std::string name;
            if (l.list == &s.sequencer) {
                name = i == 0 ? "unused_step"
                              : std::string(kStepNames[(i - 1) % 11]) + "_" +
                                    static_cast<char>('a' + (i - 1) / 11);
            } else if (i < l.names.size()) {
                name = l.names[i];
            }
            const std::string prefix = (i < 10 ? "0" : "") + std::to_string(i) + "_";
            ok = gui::writePng(l.list->images[i].bitmap,
                               (sub / (prefix + name + ".png")).string()) &&
                 ok;
        }
    }
    return ok;
}

// ---- The composite --------------------------------------------------------------------------

// One control drawn on the composite: an image (frame of a strip) at a position, and the
// rectangle it takes in the layout for the outline view.
class TComposer {
public:
    TComposer(TBitmap &target, const TSkin &s) : p_(target), skin_(s) {}

    void image(const TImageList &list, int32_t index, int32_t x, int32_t y, TRect area = {}) {
        const TImage &img = list.images[static_cast<size_t>(index)];
        p_.blitFrame(img, 0, x, y);
        note(area.isEmpty() ? TRect{x, y, img.frameWidth(), img.bitmap.height} : area);
    }
    // A knob strip at value v (0..1).
    void knob(int32_t strip, int32_t x, int32_t y, double v) {
        const TImage &img = skin_.knobs.images[static_cast<size_t>(strip)];
        const auto frame = static_cast<int32_t>(std::lround(v * (img.frames - 1)));
        p_.blitFrame(img, frame, x, y);
        note({x, y, img.frameWidth(), img.bitmap.height});
    }
    void label(int32_t x, int32_t y, int32_t w, std::string_view text, bool white,
               TAlign align = TAlign::Centre, float size = 9.0f) {
        p_.text(x, y, text, size, white ? kValueTextColour : kCaptionTextColour, align, w);
        note({x, y, w, 11});
    }
    // A rectangle that only receives the mouse.
    void hitArea(const TRect &r) { note(r); }

    const std::vector<TRect> &areas() const { return areas_; }
    TPainter &painter() { return p_; }

private:
    void note(const TRect &r) { areas_.push_back(r); }

    TPainter p_;
    const TSkin &skin_;
    std::vector<TRect> areas_;
};

// The step images of a pattern, by the editor's rules for one-step and longer events.
std::array<int32_t, 64> stepImages(const std::array<int32_t, 64> &s, int32_t n) {
    std::array<int32_t, 64> img{};
    const int32_t last = n - 1;
    int32_t cur = 0;
    for (int32_t i = 0; i < last; ++i) {
        const auto si = static_cast<size_t>(i);
        if (s[si] == 0 && cur == 0) {
            img[si] = 11;
        } else if (s[si] > 0 && s[si + 1] > 0) {
            img[si] = s[si];
        } else if (s[si] > 0) {
            cur = s[si];
            img[si] = s[si] + 11;
        } else if (s[si + 1] == 0) {
            img[si] = cur + 22;
        } else {
            img[si] = cur + 33;
        }
    }
    const auto sl = static_cast<size_t>(last);
    img[sl] = s[sl] > 0 ? s[sl] : (cur > 0 ? cur + 33 : 11);
    for (int32_t i = n; i < 64; ++i) {
        img[static_cast<size_t>(i)] = 0;
    }
    return img;
}

void drawHeader(TComposer &c, const TSkin &s) {
    struct TKnob {
        int32_t left, labelLeft, labelWidth;
        double v;
        std::string_view text;
        bool value;
    };
    const std::array<TKnob, 12> knobs = {{{189, 184, 50, 0.82, "82 %", true},
                                          {241, 236, 50, 0.35, "126", true},
                                          {293, 288, 50, 0.25, "25 %", true},
                                          {353, 347, 55, 0.25, "2.00 steps", true},
                                          {400, 397, 50, 0.9, "Volume", false},
                                          {453, 449, 50, 0.3, "Mix", false},
                                          {500, 496, 50, 0.55, "Gain", false},
                                          {587, 584, 50, 1.0, "Mix", false},
                                          {633, 630, 50, 0.6, "Freq", false},
                                          {679, 675, 50, 0.15, "Q", false},
                                          {738, 733, 50, 1.0, "Mix", false},
                                          {790, 788, 50, 0.72, "Volume", false}}};
    for (const TKnob &k : knobs) {
        c.knob(kKnobLarge, k.left, 36, k.v);
        c.label(k.labelLeft, 77, k.labelWidth, k.text, k.value);
    }
    c.image(s.filterType, 1, 633, 11);
    c.image(s.filterType, kFilterModeA, 556, 45);
    c.label(557, 70, 23, "Mode", true);
    c.image(s.clipping, 1, 806, 6);
    c.image(s.frakleMisc, kFmMidiDisable, 10, 74, {10, 74, 58, 20});
    c.image(s.frakleMisc, kFmTransportDisable, 78, 74, {78, 74, 88, 20});
    c.painter().text(109 - 20, 13, "v1.3.04", 9.0f, Rgb(192, 192, 192), TAlign::Centre, 59);
    c.hitArea({109, 13, 19, 11});
    c.label(34, 603, 800,
            "Set the effect's probability, which determines how likely this effect "
            "is to be chosen at random by the sequencer. (Click and drag up/down "
            "to change)",
            true, TAlign::Left, 11.0f);
}

void drawSequencer(TComposer &c, const TSkin &s) {
    const int32_t chosen = 3, pattern = 5, length = 48, playing = 21;
    c.image(s.hitDetection, kHitChosenEffect, 10, 125);
    c.image(s.frakleMisc, kFmMarker, 10 + 20 * chosen, 125);
    c.image(s.hitDetection, kHitRandomiseSequence, 240, 125);
    c.image(s.hitDetection, kHitPresets, 370, 125);
    c.image(s.hitDetection, kHitPatternBank, 459, 125);
    c.image(s.frakleMisc, kFmMarker, 459 + 20 * pattern, 125);
    c.hitArea({455, 110, 328, 39});
    c.image(s.hitDetection, kHitLeftRight, 792, 125);
    c.image(s.hitDetection, kHitShiftSequence, 792, 179);

    // Codes: 0 tie, 1 random, 2..10 effects 0..8, 11 off.
    const std::array<int32_t, 64> steps = {2, 0, 0, 0, 5,  4, 0, 11, 3,  0, 1, 0, 0,  0, 6, 7,
                                           8, 0, 0, 0, 10, 0, 9, 0,  1,  1, 0, 0, 11, 0, 4, 0,
                                           2, 3, 4, 5, 6,  7, 8, 9,  10, 1, 0, 0, 0,  0, 0, 11,
                                           3, 0, 5, 0, 7,  0, 9, 0,  2,  0, 0, 0, 4,  0, 0, 0};
    const std::array<int32_t, 64> images = stepImages(steps, length);
    for (int32_t i = 0; i < 64; ++i) {
        c.image(s.sequencer, images[static_cast<size_t>(i)], 10 + 12 * i, 159);
    }
    c.image(s.misc, kMiscSeqHitDetect, 11, 159);
    c.image(s.misc, kMiscSeqMarker, 11 + 12 * playing, 200);
}

void drawColumns(TComposer &c, const TSkin &s) {
    for (int32_t e = 0; e < 9; ++e) {
        const int32_t x0 = 2 + 94 * e;
        const double shade = (e * 37 % 9) / 8.0;
        c.hitArea({x0, 220, 88, 17});
        c.hitArea({x0, 237, 20, 40});
        c.knob(kKnobProbability, x0 + 18, 239, 0.25 + 0.75 * shade);
        c.image(s.misc, e == 2 ? kMiscSoloOn : kMiscSoloOff, x0 + 48, 239);
        c.image(s.misc, e == 7 ? kMiscMasterEffectOn : kMiscMasterEffectOff, x0 + 68, 239);
        c.image(s.frakleMisc, kFmFxInit, x0 + 26, 261);
        c.image(s.frakleMisc, kFmFxRand, x0 + 56, 261);
        c.image(s.filterType, e % 5, x0 + 2, 481);
        c.image(s.filterType, e == 4 ? kFilterModeB : kFilterModeA, x0 + 3, 504);
        c.knob(kKnobSmall, x0 + 30, 501, 0.3 + 0.6 * shade);
        c.knob(kKnobSmall, x0 + 60, 501, 0.6 * (1.0 - shade));
        c.knob(kKnobSmallPan, x0, 549, 0.2 + 0.6 * shade);
        c.knob(kKnobSmall, x0 + 30, 549, e % 3 == 0 ? 1.0 : 0.55 + 0.4 * shade);
        c.knob(kKnobSmall, x0 + 60, 549, 0.5);
    }

    // The effects' own knobs: strip, left, top, value; then value label and caption.
    struct TKnob {
        int32_t strip, left, top;
        double v;
    };
    struct TText {
        int32_t x, y, w;
        std::string_view text;
        bool value;
    };
    const std::vector<TKnob> knobs = {
        {kKnobLarge, 5, 285, 0.25},     {kKnobLarge, 5, 335, 0.0},
        {kKnobLarge, 5, 385, 0.05},     {kKnobLarge, 99, 285, 0.025},
        {kKnobSmall, 99, 335, 0.25},    {kKnobSmall, 99, 370, 0.2},
        {kKnobSmall, 99, 405, 1.0},     {kKnobSmall, 99, 440, 0.0},
        {kKnobLarge, 193, 285, 0.2},    {kKnobLarge, 193, 335, 0.85},
        {kKnobSmallPan, 193, 382, 0.5}, {kKnobSmallPan, 193, 422, 0.3},
        {kKnobLarge, 287, 285, 0.72},   {kKnobLarge, 287, 335, 0.82},
        {kKnobSmall, 287, 382, 0.5},    {kKnobSmall, 339, 382, 1.0},
        {kKnobSmall, 314, 426, 0.35},   {kKnobLarge, 381, 285, 0.0},
        {kKnobLarge, 381, 335, 0.5},    {kKnobLargePan, 381, 385, 0.0},
        {kKnobLarge, 475, 285, 0.075},  {kKnobLarge, 475, 335, 0.0},
        {kKnobLarge, 475, 385, 0.0},    {kKnobLarge, 569, 285, 0.25},
        {kKnobLarge, 569, 335, 0.5},    {kKnobLarge, 569, 385, 0.0},
        {kKnobLarge, 663, 285, 0.04},   {kKnobSmall, 716, 285, 0.0},
        {kKnobSmall, 663, 335, 1.0},    {kKnobSmall, 663, 370, 0.75},
        {kKnobSmall, 663, 405, 0.75},   {kKnobSmallPan, 663, 440, 0.5},
        {kKnobLarge, 757, 285, 0.4},    {kKnobLarge, 757, 335, 0.125},
        {kKnobLarge, 757, 385, 0.25},
    };
    const std::vector<TText> texts = {
        {42, 304, 50, "25 %", true},        {42, 292, 50, "SlowDown", false},
        {42, 354, 50, "0 %", true},         {42, 342, 50, "Delay", false},
        {42, 404, 50, "5 %", true},         {42, 392, 50, "SpeedUp", false},
        {136, 299, 50, "125 Hz", true},     {136, 311, 50, "B 2", true},
        {136, 287, 50, "Frequency", false}, {137, 351, 40, "90 \xC2\xB0", true},
        {137, 339, 50, "Spread", false},    {137, 387, 40, "20 %", true},
        {137, 374, 50, "FM Amt", false},    {137, 421, 40, "100 %", true},
        {137, 409, 50, "FM Speed", false},  {137, 455, 40, "0 %", true},
        {137, 443, 50, "Sine Mix", false},  {230, 304, 50, "8.00", true},
        {230, 292, 50, "Speed", false},     {230, 354, 50, "85 %", true},
        {230, 342, 50, "Length", false},    {230, 398, 50, "None", true},
        {230, 385, 50, "S.Change", false},  {230, 438, 50, "- 40", true},
        {230, 426, 50, "Pitch", false},     {324, 304, 50, "1 step", true},
        {324, 292, 50, "Minimum", false},   {324, 354, 50, "2 steps", true},
        {324, 342, 50, "Maximum", false},   {283, 411, 40, "Range", true},
        {334, 411, 40, "Amount", true},     {309, 455, 40, "Repeat", true},
        {418, 304, 50, "0.00 %", true},     {418, 292, 50, "Left", false},
        {418, 354, 50, "50.00 %", true},    {418, 342, 50, "Right", false},
        {418, 404, 50, "Ping Pong", true},  {418, 392, 50, "Mode", false},
        {512, 304, 50, "4", true},          {512, 292, 50, "Amount", false},
        {512, 354, 50, "Off", true},        {512, 342, 50, "Quantise", false},
        {512, 404, 50, "0 %", true},        {512, 392, 50, "Smooth", false},
        {606, 304, 50, "4", true},          {606, 292, 50, "Speed", false},
        {606, 354, 50, "50 %", true},       {606, 342, 50, "Length", false},
        {606, 404, 50, "0 %", true},        {606, 392, 50, "Volume", false},
        {691, 318, 50, "1.00 steps", true}, {705, 308, 17, "Size", false},
        {700, 351, 50, "100 %", true},      {693, 339, 60, "Dry Vol", false},
        {700, 387, 50, "75 %", true},       {693, 374, 60, "Wet Vol", false},
        {700, 421, 50, "75 %", true},       {693, 409, 60, "Feedback", false},
        {700, 456, 50, "None", true},       {693, 444, 60, "Separation", false},
        {795, 304, 50, "27", true},         {794, 292, 50, "Divisor", false},
        {795, 354, 50, "200.00 %", true},   {794, 342, 50, "Amount", false},
        {795, 404, 50, "25 %", true},       {794, 392, 50, "X-Fade", false},
    };
    for (const TKnob &k : knobs) {
        c.knob(k.strip, k.left, k.top, k.v);
    }
    for (const TText &t : texts) {
        c.label(t.x, t.y, t.w, t.text, t.value);
    }
}

TBitmap composite(const TSkin &s, bool outline) {
    TBitmap out(844, 626);
    TComposer c(out, s);
    c.painter().blitFrame(s.backgrounds.images[0], 0, 0, 0);
    drawHeader(c, s);
    drawSequencer(c, s);
    drawColumns(c, s);
    if (outline) {
        for (const TRect &r : c.areas()) {
            c.painter().strokeRoundRect(r, 0.0f, 1.0f, Argb(200, 255, 0, 255));
        }
    }
    return out;
}

} // namespace
} // namespace frakle::editor

int main(int argc, char **argv) {
    using namespace frakle::editor;
    const std::filesystem::path dir = argc > 1 ? argv[1] : "/tmp/frakle-skin";
    std::filesystem::create_directories(dir);

    const auto t0 = std::chrono::steady_clock::now();
    const TSkin s = buildSkin();
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0);
    std::printf("skin built in %.0f ms\n", ms.count());

    bool ok = writeLists(s, dir);
    ok = frakle::gui::writePng(composite(s, false), (dir / "composite.png").string()) && ok;
    ok = frakle::gui::writePng(composite(s, true), (dir / "composite-outline.png").string()) && ok;
    std::printf("%s\n", (dir / "composite.png").string().c_str());
    return ok ? 0 : 1;
}
