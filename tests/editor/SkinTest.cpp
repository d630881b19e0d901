// The skin against the editor's image lists: counts, sizes and frame counts of every image,
// distinct knob frames, the transparent hit image and see-through corners of masked images.
#include "editor/Skin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
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
        EXPECT_EQ(img.frames, e.frames) << name << " image " << i;
        EXPECT_EQ(img.frameWidth(), e.w) << name << " image " << i;
        EXPECT_EQ(img.bitmap.width, e.w * e.frames) << name << " image " << i;
        EXPECT_EQ(img.bitmap.height, e.h) << name << " image " << i;
        EXPECT_EQ(img.bitmap.pixels.size(), static_cast<size_t>(e.w * e.frames * e.h))
            << name << " image " << i;
    }
}

// The pixels of one frame, row by row.
std::vector<uint32_t> frameOf(const TImage &img, int32_t frame) {
    const int32_t fw = img.frameWidth();
    std::vector<uint32_t> out;
    out.reserve(static_cast<size_t>(fw * img.bitmap.height));
    for (int32_t y = 0; y < img.bitmap.height; ++y) {
        for (int32_t x = 0; x < fw; ++x) {
            out.push_back(img.bitmap.at(frame * fw + x, y));
        }
    }
    return out;
}

bool cornersClear(const TImage &img, int32_t frame, bool left = true, bool right = true) {
    const int32_t fw = img.frameWidth();
    const int32_t x0 = frame * fw;
    const int32_t x1 = x0 + fw - 1;
    const int32_t y1 = img.bitmap.height - 1;
    bool clear = true;
    if (left) {
        clear = clear && alpha(img.bitmap.at(x0, 0)) == 0 && alpha(img.bitmap.at(x0, y1)) == 0;
    }
    if (right) {
        clear = clear && alpha(img.bitmap.at(x1, 0)) == 0 && alpha(img.bitmap.at(x1, y1)) == 0;
    }
    return clear;
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

TEST(Skin, MaskedImagesHaveTransparentCorners) {
    const TSkin &s = skin();
    const auto all = [](const TImageList &list, const std::string &name,
                        const std::set<size_t> &except = {}) {
        for (size_t i = 0; i < list.images.size(); ++i) {
            if (except.count(i) != 0) {
                continue;
            }
            const TImage &img = list.images[i];
            for (int32_t f = 0; f < img.frames; ++f) {
                EXPECT_TRUE(cornersClear(img, f)) << name << " image " << i << " frame " << f;
            }
        }
    };
    all(s.misc, "misc");
    all(s.hitDetection, "frakle13_hit_detection");
    all(s.frakleMisc, "frakle13_misc");
    all(s.knobs, "frakle13_knobs");
    all(s.filterType, "frakle13_filter_type");
    all(s.clipping, "frakle13_clipping");

    // Steps: one-step events are rounded on both sides, the first step of a longer event on the
    // left and the last on the right.
    for (int32_t code = 0; code < 11; ++code) {
        EXPECT_TRUE(cornersClear(s.sequencer.images[static_cast<size_t>(kStepGroupA + code)], 0))
            << code;
        EXPECT_TRUE(cornersClear(s.sequencer.images[static_cast<size_t>(kStepGroupB + code)], 0,
                                 true, false))
            << code;
        EXPECT_TRUE(cornersClear(s.sequencer.images[static_cast<size_t>(kStepGroupD + code)], 0,
                                 false, true))
            << code;
    }
}

TEST(Skin, LongerEventsJoinAcrossSteps) {
    const TSkin &s = skin();
    for (int32_t code = 0; code < 11; ++code) {
        const TBitmap &a = s.sequencer.images[static_cast<size_t>(kStepGroupA + code)].bitmap;
        const TBitmap &b = s.sequencer.images[static_cast<size_t>(kStepGroupB + code)].bitmap;
        const TBitmap &c = s.sequencer.images[static_cast<size_t>(kStepGroupC + code)].bitmap;
        const TBitmap &d = s.sequencer.images[static_cast<size_t>(kStepGroupD + code)].bitmap;
        // A one-step block leaves a gap to both neighbours; a longer event does not.
        EXPECT_EQ(alpha(a.at(0, 20)), 0u) << code;
        EXPECT_EQ(alpha(a.at(11, 20)), 0u) << code;
        EXPECT_EQ(alpha(b.at(11, 20)), 255u) << code;
        EXPECT_EQ(alpha(c.at(0, 20)), 255u) << code;
        EXPECT_EQ(alpha(c.at(11, 20)), 255u) << code;
        EXPECT_EQ(alpha(d.at(0, 20)), 255u) << code;
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
