// The skin against the editor's image lists: counts, sizes and frame counts of every image,
// distinct knob frames, the transparent hit image and see-through corners of masked images.
#include "editor/Skin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace frakle::editor {
namespace {

using gui::TBitmap;
using gui::TImage;
using gui::TImageList;

struct TExpected {
    int32_t w; // per frame
    int32_t h;
    int32_t frames = 1;
};

uint32_t alpha(uint32_t c) { return c >> 24; }

void expectList(const TImageList &list, const std::vector<TExpected> &expected,
                const std::string &name) {
    ASSERT_EQ(list.images.size(), expected.size()) << name;
    for (size_t i = 0; i < expected.size(); ++i) {
        const TImage &img = list.images[i];
        const TExpected &e = expected[i];
        EXPECT_EQ(std::tuple(img.frames, img.frameWidth(), img.bitmap.width, img.bitmap.height,
                             img.bitmap.pixels.size()),
                  std::tuple(e.frames, e.w, e.w * e.frames, e.h,
                             static_cast<size_t>(e.w * e.frames * e.h)))
            << name << " image " << i;
    }
}

// The pixels of one frame, row by row.
std::vector<uint32_t> frameOf(const TImage &img, int32_t frame) {
    const int32_t fw = img.frameWidth();
    std::vector<uint32_t> out;
    for (int32_t i = 0; i < fw * img.bitmap.height; ++i) {
        out.push_back(img.bitmap.at(frame * fw + i % fw, i / fw));
    }
    return out;
}

// The alpha of a frame's corners: top left, bottom left, top right, bottom right.
std::vector<uint32_t> corners(const TImage &img, int32_t frame) {
    const int32_t x0 = frame * img.frameWidth(), x1 = x0 + img.frameWidth() - 1;
    const int32_t y1 = img.bitmap.height - 1;
    return {alpha(img.bitmap.at(x0, 0)), alpha(img.bitmap.at(x0, y1)), alpha(img.bitmap.at(x1, 0)),
            alpha(img.bitmap.at(x1, y1))};
}

TEST(Skin, ListsHaveTheImagesAndSizesOfTheEditor) {
    const TSkin &s = skin();
    expectList(s.backgrounds, {{844, 626}}, "backgrounds");
    expectList(s.misc, {{11, 5}, {18, 18}, {18, 18}, {18, 18}, {18, 18}, {83, 30}, {768, 40}},
               "misc");
    expectList(s.sequencer, std::vector<TExpected>(45, TExpected{12, 40}), "frakle13_sequencer");
    expectList(s.hitDetection,
               {{120, 20}, {220, 20}, {80, 20}, {320, 20}, {40, 20}, {40, 20}, {328, 39}},
               "frakle13_hit_detection");
    expectList(s.frakleMisc, {{18, 5},  {20, 20}, {18, 18}, {18, 18}, {18, 18}, {18, 18}, {58, 18},
                              {58, 18}, {88, 18}, {88, 18}, {76, 16}, {20, 40}, {22, 22}, {32, 22},
                              {89, 21}, {28, 16}, {32, 16}, {46, 20}, {36, 20}, {88, 16}},
               "frakle13_misc");
    expectList(s.knobs,
               {{39, 39, 180},
                {39, 39, 180},
                {29, 29, 180},
                {29, 29, 180},
                {28, 18, 101},
                {41, 41},
                {31, 31}},
               "frakle13_knobs");
    expectList(s.filterType, {{85, 17}, {85, 17}, {85, 17}, {85, 17}, {85, 17}, {20, 20}, {20, 20}},
               "frakle13_filter_type");
    expectList(s.clipping, {{31, 25}, {31, 25}, {31, 25}}, "frakle13_clipping");
}

TEST(Skin, EveryKnobAndProbabilityFrameIsDistinct) {
    const TSkin &s = skin();
    for (int32_t strip = kKnobLarge; strip <= kKnobProbability; ++strip) {
        const TImage &img = s.knobs.images[static_cast<size_t>(strip)];
        std::set<std::vector<uint32_t>> seen;
        for (int32_t f = 0; f < img.frames; ++f) {
            seen.insert(frameOf(img, f));
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(img.frames)) << "strip " << strip;
        EXPECT_NE(frameOf(img, 0), frameOf(img, img.frames - 1)) << "strip " << strip;
    }
}

TEST(Skin, SequencerHitImageIsFullyTransparentAndTheBackgroundOpaque) {
    for (uint32_t px : skin().misc.images[kMiscSeqHitDetect].bitmap.pixels) {
        ASSERT_EQ(alpha(px), 0u);
    }
    for (uint32_t px : skin().backgrounds.images[0].bitmap.pixels) {
        ASSERT_EQ(alpha(px), 255u);
    }
}

TEST(Skin, MaskedImagesHaveTransparentCornersAndLongerEventsJoinAcrossSteps) {
    const TSkin &s = skin();
    int list = 0; // misc, hit detection, frakle misc, knobs, filter type, clipping
    for (const TImageList *l :
         {&s.misc, &s.hitDetection, &s.frakleMisc, &s.knobs, &s.filterType, &s.clipping}) {
        ++list;
        for (size_t i = 0; i < l->images.size(); ++i) {
            for (int32_t f = 0; f < l->images[i].frames; ++f) {
                EXPECT_EQ(corners(l->images[i], f), std::vector<uint32_t>(4, 0))
                    << "list " << list << " image " << i << " frame " << f;
            }
        }
    }
    // Steps: one-step events are rounded on both sides and leave a gap to both neighbours; the
    // first step of a longer event is rounded on the left, the last on the right, and the
    // steps between join their neighbours.
    for (int32_t code = 0; code < 11; ++code) {
        const auto step = [&](int32_t group) -> const TImage & {
            return s.sequencer.images[static_cast<size_t>(group + code)];
        };
        const auto edges = [&](int32_t group) {
            return std::pair(alpha(step(group).bitmap.at(0, 20)),
                             alpha(step(group).bitmap.at(11, 20)));
        };
        EXPECT_EQ(corners(step(kStepGroupA), 0), std::vector<uint32_t>(4, 0)) << code;
        EXPECT_EQ(corners(step(kStepGroupB), 0)[0] + corners(step(kStepGroupB), 0)[1], 0u);
        EXPECT_EQ(corners(step(kStepGroupD), 0)[2] + corners(step(kStepGroupD), 0)[3], 0u);
        EXPECT_EQ(edges(kStepGroupA), std::pair(0u, 0u)) << code;
        EXPECT_EQ(edges(kStepGroupB).second, 255u) << code;
        EXPECT_EQ(edges(kStepGroupC), std::pair(255u, 255u)) << code;
        EXPECT_EQ(edges(kStepGroupD).first, 255u) << code;
    }
}

TEST(Skin, StatesLookDifferent) {
    const TSkin &s = skin();
    const auto differ = [](const TImageList &list, size_t i, size_t j) {
        return list.images[i].bitmap.pixels != list.images[j].bitmap.pixels;
    };
    EXPECT_TRUE(differ(s.misc, kMiscSoloOff, kMiscSoloOn));
    EXPECT_TRUE(differ(s.misc, kMiscMasterEffectOff, kMiscMasterEffectOn));
    EXPECT_TRUE(differ(s.misc, kMiscSoloOn, kMiscMasterEffectOn));
    EXPECT_TRUE(differ(s.frakleMisc, kFmMidiEnable, kFmMidiDisable));
    EXPECT_TRUE(differ(s.frakleMisc, kFmTransportEnable, kFmTransportDisable));
    EXPECT_TRUE(differ(s.filterType, kFilterModeA, kFilterModeB));
    for (size_t i = 0; i < 5; ++i) {
        for (size_t j = i + 1; j < 5; ++j) {
            EXPECT_TRUE(differ(s.filterType, i, j)) << i << " " << j;
        }
    }
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(differ(s.clipping, i, (i + 1) % 3)) << i;
    }
    // Every step image is its own.
    for (size_t i = 0; i < 45; ++i) {
        for (size_t j = i + 1; j < 45; ++j) {
            EXPECT_TRUE(differ(s.sequencer, i, j)) << i << " " << j;
        }
    }
    std::set<uint32_t> colours;
    for (int32_t e = 0; e < 9; ++e) {
        colours.insert(effectColour(e));
    }
    EXPECT_EQ(colours.size(), 9u);
}

} // namespace
} // namespace frakle::editor
