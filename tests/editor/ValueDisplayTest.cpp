// Value texts worked out by hand from the display rules.
#include "editor/ValueDisplay.h"

#include <gtest/gtest.h>

#include <string>

namespace frakle::editor {
namespace {

TEST(ValueDisplay, NumbersRoundToSignificantDigitsThenShowTwoDecimalsHalvesUp) {
    EXPECT_EQ(fixed2(8.0L), "8.00");
    EXPECT_EQ(fixed2(12.345L), "12.35");
    EXPECT_EQ(fixed2(0.12345L), "0.12");
    EXPECT_EQ(fixed2(1234.5678L), "1235.00");
    EXPECT_EQ(fixed2(0.0L), "0.00");
    EXPECT_EQ(fixed2(1.125L, 5), "1.13");   // an exact half after five digits goes up, not to even
    EXPECT_EQ(fixed2(1.12449L, 5), "1.12"); // 1.1245 rounds once, at the second decimal
    EXPECT_EQ(genericText(0, 8, 2, " steps", {90, 360}), "2.00 steps");
    EXPECT_EQ(genericText(100, 900, 2, " %", {180, 360}), "500.00 %");
    EXPECT_EQ(genericText(1, 16, 1, "", {360, 360}), "16");
}

// Whole numbers are worked out from the knob position, so none reads one below where the knob
// stands ("RandSeed" at 47 once showed 46, 35 % showed 34 %).
TEST(ValueDisplay, WholeNumbersFollowTheKnobPositionExactly) {
    for (int32_t p = 0; p <= 360; ++p) {
        ASSERT_EQ(genericText(0, 360, 1, "", {p, 360}), std::to_string(p));
        ASSERT_EQ(genericText(0, 100, 1, " %", {p, 360}), std::to_string(100 * p / 360) + " %");
    }
    EXPECT_EQ(signedChangeText({63, 360}), "- 65"); // 200 × 63 / 360 = 35 exactly
}

TEST(ValueDisplay, FrequencyNoteSignedChangeAndBitDepth) {
    EXPECT_EQ(frequencyText({108, 4320}), "125 Hz");
    EXPECT_EQ(noteText({108, 4320}), "B 2");
    EXPECT_EQ(frequencyText({381, 4320}), "440 Hz"); // 440.97, floored
    EXPECT_EQ(noteText({381, 4320}), "A 4");
    EXPECT_EQ(noteText({0, 4320}), "");
    EXPECT_EQ(signedChangeText({0, 360}), "- 100");
    EXPECT_EQ(signedChangeText({176, 360}), "- 3");
    EXPECT_EQ(signedChangeText({180, 360}), "None");
    EXPECT_EQ(signedChangeText({184, 360}), "+ 2");
    EXPECT_EQ(signedChangeText({360, 360}), "+ 100");
    EXPECT_EQ(bitDepthText({2, 360}), "Off");
    EXPECT_EQ(bitDepthText({3, 360}), "126");
}

TEST(ValueDisplay, DelaySizeAndSeparation) {
    // 44.1 kHz, 120 bpm: 44 samples a millisecond, 22050 a beat.
    EXPECT_EQ(delaySizeText(0.0f, 0.0f, 44, 22050), "1.00 ms");
    EXPECT_EQ(delaySizeText(1.0f, 0.0f, 44, 22050), "4.00 steps");
    EXPECT_EQ(delaySizeText(0.25f, 0.0f, 44, 22050), "1.01 steps"); // 5545.5 → 5546 samples
    // 48 kHz: 54 samples are 1.125 ms, shown as every other two-decimal text rounds a half.
    EXPECT_EQ(delaySizeText(0.0f, knobValue(36, 1440), 48, 24000), "1.13 ms");
    EXPECT_EQ(separationText(0.5f, 44, 22050), "None");
    EXPECT_EQ(separationText(0.0f, 44, 22050), "L 125.30ms"); // 5512.5 / 44
    EXPECT_EQ(separationText(1.0f, 44, 22050), "R 125.30ms");
}

} // namespace
} // namespace frakle::editor
