// The default program record: settings, reserved bytes and the sixteen default patterns.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "state/ParameterTable.h"
#include "state/ProgramRecord.h"

namespace frakle::state {
namespace {

const TProgramRecord kRecord = MakeDefaultRecord();

uint8_t Byte(int offset) { return reinterpret_cast<const uint8_t *>(&kRecord)[offset]; }
float F32(int offset) {
    float value;
    std::memcpy(&value, reinterpret_cast<const char *>(&kRecord) + offset, sizeof value);
    return value;
}
// The pattern counts from 1, the step from 0.
uint8_t Step(int pattern, int step) { return Byte(749 + 64 * (pattern - 1) + step); }

TEST(DefaultRecord, AgreesWithTheParameterDefaults) {
    for (const ParamInfo &p : kParamTable) {
        if (p.kind == ParamKind::Stored) {
            EXPECT_EQ(F32(p.recordOffset), p.defaultValue) << p.label;
        }
    }
    EXPECT_EQ(kRecord.currentPattern / 15.0f, kParamTable[kPattern].defaultValue);
}

TEST(DefaultRecord, NameSettingsAndReservedFields) {
    EXPECT_EQ(std::memcmp(kRecord.name, "Program 1\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 24), 0);
    const std::pair<int, float> floats[] = {{36, 0.25f}, {80, 0.5f},  {1972, 1.0f}, {512, 0.0f},
                                            {556, 0.0f}, {580, 1.0f}, {600, 0.0f},  {616, 0.5f}};
    for (const auto &[offset, value] : floats) {
        EXPECT_EQ(F32(offset), value) << offset;
    }
    const std::pair<int, uint8_t> bytes[] = {{748, 0},  {1773, 0xFF}, {1804, 0xFF}, {1805, 64},
                                             {1807, 0}, {1812, 2},    {1813, 1},    {1941, 0xFF},
                                             {1943, 1}, {1958, 1},    {1959, 0},    {1969, 1},
                                             {1970, 1}, {1971, 0},    {2232, 0},    {2799, 0}};
    for (const auto &[offset, value] : bytes) {
        EXPECT_EQ(Byte(offset), value) << offset;
    }
    for (int16_t entry : kRecord.ccMap) {
        EXPECT_EQ(entry, -1);
    }
}

TEST(DefaultRecord, PatternsRepeatTheirCycleOverAllSixtyFourSteps) {
    EXPECT_EQ(Step(5, 13), 1);
    EXPECT_EQ(Step(5, 11), 0);
    EXPECT_EQ(Step(7, 60), 1);
    EXPECT_EQ(Step(8, 63), 1);
    for (int step = 61; step < kMaxSteps; ++step) {
        EXPECT_EQ(Step(7, step), 0) << step;
    }
    // Count and sum of the random steps of each pattern, worked out from cycle and positions.
    const int counts[kNumPatterns] = {16, 32, 64, 8,  28, 20, 11, 22,
                                      24, 32, 32, 24, 20, 28, 32, 32};
    const int sums[kNumPatterns] = {480, 992, 2016, 224, 916, 604, 330, 693,
                                    744, 992, 976,  716, 620, 872, 996, 980};
    for (int pattern = 1; pattern <= kNumPatterns; ++pattern) {
        int count = 0;
        int sum = 0;
        for (int step = 0; step < kMaxSteps; ++step) {
            ASSERT_LE(Step(pattern, step), 1) << pattern << ' ' << step;
            count += Step(pattern, step);
            sum += Step(pattern, step) * step;
        }
        EXPECT_EQ(count, counts[pattern - 1]) << pattern;
        EXPECT_EQ(sum, sums[pattern - 1]) << pattern;
    }
}

} // namespace
} // namespace frakle::state
