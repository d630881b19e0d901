// Value texts worked out by hand from the display rules.
#include "editor/ValueDisplay.h"

#include <gtest/gtest.h>

namespace frakle::editor {
namespace {

TEST(ValueDisplay, NumbersRoundToFourDigitsThenShowTwoDecimals) {
    EXPECT_EQ(fixed2(8.0L), "8.00");
    EXPECT_EQ(fixed2(12.345L), "12.35");
    EXPECT_EQ(fixed2(0.12345L), "0.12");
    EXPECT_EQ(fixed2(1234.5678L), "1235.00");
    EXPECT_EQ(fixed2(0.0L), "0.00");
    EXPECT_EQ(genericText(0, 8, 2, " steps", 0.25f), "2.00 steps");
    EXPECT_EQ(genericText(0, 360, 1, "", 0.5f), "180");
    EXPECT_EQ(genericText(1, 16, 1, "", 1.0f), "16");
}

TEST(ValueDisplay, FrequencyAndNote) {
    EXPECT_EQ(frequencyText(0.0881f), "440 Hz"); // 440.5, floored
    EXPECT_EQ(noteText(0.0881f), "A 4");
    EXPECT_EQ(frequencyText(0.088f), "439 Hz"); // 0.088 as a float lies just below
    EXPECT_EQ(noteText(0.025f), "B 2");         // 125 Hz
    EXPECT_EQ(noteText(0.0f), "");
}

TEST(ValueDisplay, DelaySizeAndSeparation) {
    // 44.1 kHz, 120 bpm: 44 samples a millisecond, 22050 a beat.
    EXPECT_EQ(delaySizeText(0.0f, 0.0f, 44, 22050), "1.00 ms");
    EXPECT_EQ(delaySizeText(1.0f, 0.0f, 44, 22050), "4.00 steps");
    EXPECT_EQ(delaySizeText(0.25f, 0.0f, 44, 22050), "1.01 steps"); // 5545.5 → 5546 samples
    EXPECT_EQ(separationText(0.5f, 44, 22050), "None");
    EXPECT_EQ(separationText(0.0f, 44, 22050), "L 125.30ms"); // 5512.5 / 44
    EXPECT_EQ(separationText(1.0f, 44, 22050), "R 125.30ms");
}

} // namespace
} // namespace frakle::editor
