// The skin's images: distinct knob frames and states, the transparent hit image, the opaque
// background and see-through corners of masked images.
#include "editor/Skin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace frakle::editor {
namespace {

using gui::TBitmap;
using gui::TImage;
using gui::TImageList;

uint32_t alpha(uint32_t c) { return c >> 24; }

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

TEST(Skin, EveryKnobAndProbabilityFrameIsDistinct) {
    const TSkin &s = skin();
    for (int32_t strip = kKnobLarge; strip <= kKnobProbability; ++strip) {
        const TImage &img = s.knobs.images[static_cast<size_t>(strip)];
        std::set<std::vector<uint32_t>> seen;
        for (int32_t f = 0; f < img.frames; ++f) {
            seen.insert(frameOf(img, f));
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(img.frames)) << "strip " << strip;
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
    const std::tuple<const TImageList *, size_t, size_t> pairs[] = {
        {&s.misc, kMiscSoloOff, kMiscSoloOn},
        {&s.misc, kMiscMasterEffectOff, kMiscMasterEffectOn},
        {&s.misc, kMiscSoloOn, kMiscMasterEffectOn},
        {&s.frakleMisc, kFmMidiEnable, kFmMidiDisable},
        {&s.frakleMisc, kFmTransportEnable, kFmTransportDisable},
        {&s.filterType, kFilterModeA, kFilterModeB}};
    for (const auto &[list, i, j] : pairs) {
        EXPECT_TRUE(differ(*list, i, j)) << i << " " << j;
    }
    // Filter types, clipping modes and step images: each its own.
    for (const auto &[list, n] :
         {std::pair(&s.filterType, 5), {&s.clipping, 3}, {&s.sequencer, 45}}) {
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            for (size_t j = i + 1; j < static_cast<size_t>(n); ++j) {
                EXPECT_TRUE(differ(*list, i, j)) << i << " " << j;
            }
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
