// Parameter table: labels, record fields and the program load order. (The display texts and
// units are read through the binary interface in ParameterTest.)
#include "state/ParameterTable.h"

#include <cstddef>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "state/ProgramRecord.h"

namespace frakle::state {
namespace {

const ParamInfo &Param(const char *label) {
    const int index = FindParamByLabel(label);
    EXPECT_GE(index, 0) << label;
    return kParamTable.at(index < 0 ? 0 : index);
}

TEST(ParameterLabels, FitEightCharactersAndOnlyGaterVolIsShared) {
    std::set<std::string> seen;
    for (const ParamInfo &p : kParamTable) {
        EXPECT_LE(std::string(p.label).size(), 8u) << p.label;
        if (!seen.insert(p.label).second) {
            EXPECT_STREQ(p.label, "GaterVol");
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kNumParams - 1));
    EXPECT_STREQ(kParamTable[85].label, "GaterVol");
    EXPECT_EQ(FindParamByLabel("GaterVol"), 25);
    EXPECT_EQ(FindParamByLabel("Nothing"), -1);

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
    EXPECT_EQ(Param("Mod Freq").recordOffset, 160);
    EXPECT_EQ(Param("DelayDry").recordOffset, 580);
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

} // namespace
} // namespace frakle::state
