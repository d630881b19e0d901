// The parameter table and the order in which a program load sends the parameters to the engine.
#include "state/ParameterTable.h"

#include <cstddef>
#include <cstring>

#include "state/ProgramRecord.h"

namespace frakle::state {

namespace {

constexpr ParamInfo Stored(const char *label, float minimum, float maximum, const char *unit,
                           int offset, float defaultValue) {
    return {label,       minimum, maximum, unit, ParamKind::Stored, static_cast<int16_t>(offset),
            defaultValue};
}

constexpr ParamInfo Unstored(const char *label, ParamKind kind) {
    return {label, 0.0f, 1.0f, "", kind, -1, 0.0f};
}

struct IndexedParam {
    int index;
    ParamInfo info;
};

// Settings of the whole program and the effects' own settings.
constexpr IndexedParam kProgramParams[] = {
    {0, Stored("RandSeed", 0, 360, "", 28, 0.0f)},
    {1, Stored("FraklAmt", 0, 100, "%", 84, 1.0f)},
    {2, {"Pattern", 1, 16, "", ParamKind::PatternSelector, -1, 0.0f}},
    {3, Stored("OutptMix", 0, 100, "%", 72, 1.0f)},
    {4, Stored("Mod Freq", 0, 5000, "Hz", 160, 0.025f)},
    {5, Stored("ModFMSpd", 0, 100, "%", 164, 1.0f)},
    {6, Stored("RetrgSpd", 2, 32, "", 204, 0.2f)},
    {7, Stored("RevLeft", 0, 100, "%", 292, 0.0f)},
    {8, Stored("RevRight", 0, 100, "%", 296, 0.5f)},
    {9, Stored("CrushAmt", 0, 64, "", 336, 0.075f)},
    {10, Stored("CrushQnt", 128, 4, "", 340, 0.0f)},
    {11, Stored("GaterSpd", 0, 16, "", 380, 0.25f)},
    {12, Stored("DelaySiz", 0, 4, "steps", 424, 0.04f)},
    {13, Stored("DelayWet", 0, 100, "%", 428, 0.75f)},
    {14, Stored("StretDiv", 2, 64, "", 468, 0.4f)},
    {15, Stored("StretAmt", 100, 900, "%", 472, 0.125f)},
    {16, Stored("ShuflMin", 0, 1, "", 248, 0.72f)},
    {17, Stored("ShuflMax", 0, 1, "", 252, 0.82f)},
    {18, Stored("ShuflRng", 0, 100, "%", 256, 0.5f)},
    {19, Stored("Mod Sprd", 0, 360, "\xB0", 168, 0.0f)},
    {20, Stored("RetrgLen", 0, 100, "%", 208, 0.85f)},
    {21, Stored("RetrigSC", -100, 100, "", 212, 0.5f)},
    {22, Stored("RevMode", 1, 3, "", 300, 0.0f)},
    {23, Stored("CrshSmth", 0, 100, "%", 344, 0.0f)},
    {24, Stored("GaterLen", 0, 100, "%", 384, 0.5f)},
    {25, Stored("GaterVol", 0, 100, "%", 388, 0.0f)},
    {26, Stored("DlyFedBk", 0, 100, "%", 432, 0.75f)},
    {27, Stored("StretXFd", 0, 100, "%", 476, 0.25f)},
    {28, Stored("EnvLngth", 0, 8, "steps", 40, 0.25f)},
    {29, Stored("EnvLevel", 0, 100, "%", 44, 1.0f)},
    {30, Stored("OdrivMix", 0, 100, "%", 48, 1.0f)},
    {31, Stored("OdrvGain", 0, 100, "%", 52, 0.0f)},
    {32, Stored("MstFltTp", 0, 4, "", 56, 0.0f)},
    {33, Stored("MstFltCt", 0, 100, "%", 64, 0.5f)},
    {34, Stored("MstFltQ", 0, 100, "%", 68, 0.0f)},
    {35, Stored("MstFltMx", 0, 100, "%", 60, 1.0f)},
    {36, Stored("OutPtVol", 0, 100, "%", 76, 1.0f)},
    {118, Stored("TapSlwDn", 0, 100, "%", 116, 0.25f)},
    {119, Stored("TapeDly", 0, 100, "%", 120, 0.0f)},
    {120, Stored("TapSpdUp", 0, 100, "%", 124, 0.05f)},
    {121, Stored("ShuflAmt", 0, 100, "%", 260, 1.0f)},
    {122, Stored("ShuflRep", 0, 100, "%", 512, 0.0f)},
    {123, Stored("RetrgPit", -100, 100, "", 216, 0.5f)},
    {124, Stored("DelaySep", -100, 100, "", 436, 0.5f)},
    {125, Stored("ModFMAmt", 0, 100, "%", 172, 0.2f)},
    {126, Stored("ModSine", 0, 100, "%", 556, 0.0f)},
    {127, Stored("DelayDry", 0, 100, "%", 580, 1.0f)},
    {128, Stored("DelayFin", 0, 100, "%", 600, 0.0f)},
};

// The seven output parameters every effect has, in index order.
struct EffectMember {
    float minimum;
    float maximum;
    const char *unit;
    std::size_t blockOffset;
    float defaultValue;
};

constexpr EffectMember kEffectMembers[7] = {
    {0, 100, "%", offsetof(TEffectBlock, prob), 0.5f},
    {0, 4, "", offsetof(TEffectBlock, filterType), 0.0f},
    {0, 100, "", offsetof(TEffectBlock, filterCutoff), 0.5f},
    {0, 100, "", offsetof(TEffectBlock, filterResonance), 0.0f},
    {-100, 100, "", offsetof(TEffectBlock, pan), 0.5f},
    {0, 100, "%", offsetof(TEffectBlock, mix), 1.0f},
    {0, 100, "%", offsetof(TEffectBlock, volume), 0.5f},
};

constexpr const char *kEffectLabels[kNumEffects][7] = {
    {"Tape Prb", "Tape FT", "Tape FC", "Tape FQ", "Tape Pan", "Tape Mix", "Tape Vol"},
    {"Mod Prob", "Mod FT", "Mod FC", "Mod FQ", "Mod Pan", "Mod Mix", "Mod Vol"},
    {"RetrgPrb", "Retrg FT", "Retrg FC", "Retrg FQ", "RetrgPan", "RetrgMix", "RetrgVol"},
    {"ShuflPrb", "Shufl FT", "Shufl FC", "Shufl FQ", "ShuflPan", "ShuflMix", "ShuflVol"},
    {"RevrsPrb", "Revrs FT", "Revrs FC", "Revrs FQ", "RevrsPan", "RevrsMix", "RevrsVol"},
    {"CrushPrb", "Crush FT", "Crush FC", "Crush FQ", "CrushPan", "CrushMix", "CrushVol"},
    {"GaterPrb", "Gater FT", "Gater FC", "Gater FQ", "GaterPan", "GaterMix", "GaterVol"},
    {"DelayPrb", "Delay FT", "Delay FC", "Delay FQ", "DelayPan", "DelayMix", "DelayVol"},
    {"StretPrb", "Stret FT", "Stret FC", "Stret FQ", "StretPan", "StretMix", "StretVol"},
};

constexpr const char *kSoloLabels[kNumEffects] = {"S> TapeS", "S> Modul", "S> Retrg",
                                                  "S> Shufl", "S> Revrs", "S> Crush",
                                                  "S> Gater", "S> Delay", "S> Stret"};
constexpr const char *kGlobalLabels[kNumEffects] = {"G> TapeS", "G> Modul", "G> Retrg",
                                                    "G> Shufl", "G> Revrs", "G> Crush",
                                                    "G> Gater", "G> Delay", "G> Stret"};
constexpr const char *kRandFxLabels[kNumEffects] = {"RandFX 1", "RandFX 2", "RandFX 3",
                                                    "RandFX 4", "RandFX 5", "RandFX 6",
                                                    "RandFX 7", "RandFX 8", "RandFX 9"};
constexpr const char *kInitFxLabels[kNumEffects] = {"InitFX 1", "InitFX 2", "InitFX 3",
                                                    "InitFX 4", "InitFX 5", "InitFX 6",
                                                    "InitFX 7", "InitFX 8", "InitFX 9"};

// The named choices: a filter type is floor(4 v), a reverse mode is split at thirds of the range,
// pattern p is reported as p / 15.
constexpr NamedValue kFilterTypes[] = {
    {0.0f, "Off"}, {0.25f, "Lowpass"}, {0.5f, "Highpass"}, {0.75f, "Bandpass"}, {1.0f, "Notch"}};
constexpr NamedValue kReverseModes[] = {
    {0.0f, "Ping Pong"}, {0.5f, "Reverse 1"}, {1.0f, "Reverse 2"}};
constexpr const char *kPatternNames[kNumPatterns] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                                     "9", "10", "11", "12", "13", "14", "15", "16"};
constexpr std::array<NamedValue, kNumPatterns> BuildPatternValues() {
    std::array<NamedValue, kNumPatterns> values{};
    for (int p = 0; p < kNumPatterns; ++p) {
        values[p] = {static_cast<float>(p) / 15.0f, kPatternNames[p]};
    }
    return values;
}
constexpr std::array<NamedValue, kNumPatterns> kPatternValues = BuildPatternValues();

template <std::size_t N> constexpr void Name(ParamInfo &info, const NamedValue (&values)[N]) {
    info.namedValues = values;
    info.namedValueCount = static_cast<uint8_t>(N);
}

constexpr std::array<ParamInfo, kNumParams> BuildParamTable() {
    std::array<ParamInfo, kNumParams> table{};
    for (const IndexedParam &p : kProgramParams) {
        table[p.index] = p.info;
    }
    for (int e = 0; e < kNumEffects; ++e) {
        for (int m = 0; m < 7; ++m) {
            const EffectMember &member = kEffectMembers[m];
            table[kFirstEffectParam + 7 * e + m] = Stored(
                kEffectLabels[e][m], member.minimum, member.maximum, member.unit,
                EffectBlockOffset(e) + static_cast<int>(member.blockOffset), member.defaultValue);
        }
        table[kFirstSolo + e] = Unstored(kSoloLabels[e], ParamKind::Switch);
        table[kFirstGlobal + e] = Unstored(kGlobalLabels[e], ParamKind::Switch);
        table[kFirstRandFx + e] = Unstored(kRandFxLabels[e], ParamKind::Button);
        table[kFirstInitFx + e] = Unstored(kInitFxLabels[e], ParamKind::Button);
        Name(table[kFirstEffectParam + 7 * e + 1], kFilterTypes);
    }
    Name(table[32], kFilterTypes); // "MstFltTp"
    Name(table[22], kReverseModes);
    table[kPattern].namedValues = kPatternValues.data();
    table[kPattern].namedValueCount = kNumPatterns;
    return table;
}

constexpr bool EveryIndexFilled(const std::array<ParamInfo, kNumParams> &table) {
    for (const ParamInfo &p : table) {
        if (p.label == nullptr) {
            return false;
        }
    }
    return true;
}

constexpr std::array<int16_t, kProgramLoadCount> BuildProgramLoadOrder() {
    constexpr int16_t kHead[] = {0,  1,  2,   3,  118, 119, 120, 4,   5,   19,  125, 126, 6,
                                 20, 21, 123, 16, 17,  18,  121, 122, 7,   8,   22,  9,   10,
                                 23, 11, 24,  25, 12,  13,  26,  124, 127, 128, 14,  15,  27};
    std::array<int16_t, kProgramLoadCount> order{};
    int n = 0;
    for (int16_t index : kHead) {
        order[n++] = index;
    }
    for (int16_t index = 28; index < kFirstSolo; ++index) {
        order[n++] = index;
    }
    return order;
}

} // namespace

static_assert(EveryIndexFilled(BuildParamTable()));
constinit const std::array<ParamInfo, kNumParams> kParamTable = BuildParamTable();

constinit const std::array<int16_t, kProgramLoadCount> kProgramLoadOrder = BuildProgramLoadOrder();

int FindParamByLabel(const char *label) {
    if (label == nullptr) {
        return -1;
    }
    for (int i = 0; i < kNumParams; ++i) {
        if (std::strcmp(kParamTable[i].label, label) == 0) {
            return i;
        }
    }
    return -1;
}

} // namespace frakle::state
