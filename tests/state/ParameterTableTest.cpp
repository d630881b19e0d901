// The parameter table (labels, record fields and the program load order; the display texts and
// units are read through the binary interface in ParameterTest) and the default program record
// (settings, reserved bytes and the sixteen default patterns).
#include "state/ParameterTable.h"
#include "state/ProgramRecord.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>

namespace frakle::state {
namespace {

TEST(ParameterLabels, FitEightCharactersAndOnlyGaterVolIsShared) {
    std::set<std::string> seen;
    for (const ParamInfo &p : kParamTable) {
        EXPECT_LE(std::string(p.label).size(), 8u) << p.label;
        if (!seen.insert(p.label).second) {
            EXPECT_STREQ(p.label, "GaterVol");
        }
    }
    EXPECT_EQ(std::tuple(seen.size(), std::string(kParamTable[85].label),
                         FindParamByLabel("GaterVol"), FindParamByLabel("Nothing")),
              std::tuple(static_cast<std::size_t>(kNumParams - 1), "GaterVol", 25, -1));

    const std::pair<int, const char *> spots[] = {
        {0, "RandSeed"},   {37, "Tape Prb"},  {99, "StretVol"},
        {100, "S> TapeS"}, {117, "G> Stret"}, {118, "TapSlwDn"},
        {128, "DelayFin"}, {129, "RandFX 1"}, {146, "InitFX 9"}};
    for (const auto &[index, label] : spots) {
        EXPECT_EQ(FindParamByLabel(label), index) << label;
    }
}

TEST(ParameterRecordFields, StoredOffsetsAreDistinctAlignedFloatsBeforeThePatterns) {
    std::set<int> offsets;
    for (int i = 0; i < kNumParams; ++i) {
        const ParamInfo &p = kParamTable[i];
        const bool stored = i != kPattern && (i < kFirstSolo || (i >= 118 && i < kFirstRandFx));
        EXPECT_EQ(p.kind == ParamKind::Stored, stored) << p.label;
        if (!stored) {
            EXPECT_EQ(p.recordOffset, -1) << p.label;
            continue;
        }
        EXPECT_GE(p.recordOffset, 24) << p.label;
        EXPECT_LE(p.recordOffset, 744) << p.label;
        EXPECT_EQ(p.recordOffset % 4, 0) << p.label;
        EXPECT_TRUE(offsets.insert(p.recordOffset).second) << p.label;
    }
    EXPECT_EQ(std::tuple(kParamTable.at(FindParamByLabel("Mod Freq")).recordOffset,
                         kParamTable.at(FindParamByLabel("DelayDry")).recordOffset),
              std::tuple(160, 580));
}

// The label suffix names the block field, so a member in the wrong slot shows up even where
// two members share a default.
TEST(ParameterRecordFields, EffectMembersLandInTheirOwnBlockField) {
    const std::pair<std::string, std::size_t> suffixes[] = {
        {"FT", offsetof(TEffectBlock, filterType)},
        {"FC", offsetof(TEffectBlock, filterCutoff)},
        {"FQ", offsetof(TEffectBlock, filterResonance)},
        {"Pan", offsetof(TEffectBlock, pan)},
        {"Mix", offsetof(TEffectBlock, mix)},
        {"Vol", offsetof(TEffectBlock, volume)},
        {"Prb", offsetof(TEffectBlock, prob)},
        {"Prob", offsetof(TEffectBlock, prob)}};
    for (int i = kFirstEffectParam; i < kFirstSolo; ++i) {
        const std::string label = kParamTable[i].label;
        const int block = EffectBlockOffset((i - kFirstEffectParam) / 7);
        int matched = 0;
        for (const auto &[suffix, field] : suffixes) {
            if (label.ends_with(suffix) && label.size() > suffix.size()) {
                EXPECT_EQ(kParamTable[i].recordOffset, block + static_cast<int>(field)) << label;
                ++matched;
            }
        }
        EXPECT_EQ(matched, 1) << label;
    }
}

TEST(ProgramLoadOrder, SendsEveryStoredSettingAndThePatternOnce) {
    std::set<int> sent;
    for (int16_t index : kProgramLoadOrder) {
        const ParamKind kind = kParamTable.at(index).kind;
        EXPECT_TRUE(kind == ParamKind::Stored || kind == ParamKind::PatternSelector) << index;
        EXPECT_TRUE(sent.insert(index).second) << index;
    }
    EXPECT_EQ(sent.size(), static_cast<std::size_t>(kProgramLoadCount));
    const std::pair<int, int> spots[] = {{2, kPattern}, {4, 118},  {9, 19},  {13, 20},
                                         {15, 123},     {33, 124}, {38, 27}, {110, 99}};
    for (const auto &[position, index] : spots) {
        EXPECT_EQ(kProgramLoadOrder[position], index) << position;
    }
}

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
    EXPECT_EQ(std::tuple(Step(5, 13), Step(5, 11), Step(7, 60), Step(8, 63)),
              std::tuple(1, 0, 1, 1));
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
