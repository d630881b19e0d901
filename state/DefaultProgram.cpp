// The default program: the settings of a new program and its sixteen default patterns.
#include <cstdint>
#include <cstring>

#include "state/ProgramRecord.h"

namespace frakle::state {

namespace {

// param1 … param4 of the effect blocks 0 … 8; fields no parameter uses stay 0.
constexpr float kEffectParamDefaults[kNumEffects][4] = {
    {0.25f, 0.0f, 0.05f, 0.0f},  // tape stop
    {0.025f, 1.0f, 0.0f, 0.2f},  // modulator
    {0.2f, 0.85f, 0.5f, 0.5f},   // retrigger
    {0.72f, 0.82f, 0.5f, 1.0f},  // shuffler
    {0.0f, 0.5f, 0.0f, 0.0f},    // reverser
    {0.075f, 0.0f, 0.0f, 0.0f},  // crusher
    {0.25f, 0.5f, 0.0f, 0.0f},   // gater
    {0.04f, 0.75f, 0.75f, 0.5f}, // delay
    {0.4f, 0.125f, 0.25f, 0.0f}, // stretcher
};

template <class... Position> constexpr uint16_t Positions(Position... position) {
    return static_cast<uint16_t>(((1u << position) | ...));
}

// Each pattern repeats a cycle from step 0; the marked positions of the cycle play a random
// effect, every other step ties.
struct DefaultPattern {
    int cycle;
    uint16_t randomPositions;
};

constexpr DefaultPattern kDefaultPatterns[kNumPatterns] = {
    {4, Positions(0)},
    {2, Positions(0)},
    {1, Positions(0)},
    {8, Positions(0)},
    {16, Positions(0, 4, 8, 10, 12, 13, 14)},
    {16, Positions(0, 4, 6, 9, 12)},
    {6, Positions(0)},
    {3, Positions(0)},
    {8, Positions(0, 3, 6)},
    {16, Positions(0, 3, 5, 7, 8, 9, 11, 13)},
    {8, Positions(0, 1, 3, 6)},
    {16, Positions(0, 2, 4, 7, 10, 12)},
    {16, Positions(0, 4, 8, 10, 13)},
    {16, Positions(0, 2, 5, 7, 10, 12, 14)},
    {16, Positions(0, 4, 5, 6, 7, 10, 12, 13)},
    {16, Positions(0, 1, 3, 6, 8, 10, 11, 14)},
};

constexpr uint8_t kCodeTie = 0;
constexpr uint8_t kCodeRandom = 1;

} // namespace

TProgramRecord MakeDefaultRecord() {
    TProgramRecord r;
    std::memset(&r, 0, sizeof r);

    static constexpr char kName[] = "Program 1";
    std::memcpy(r.name, kName, sizeof kName);

    r.randomSeed = 0.0f;
    r.noClickIn = 0.25f;
    r.reserved36 = 0.25f;
    r.sliceEnvLength = 0.25f;
    r.sliceEnvLevel = 1.0f;
    r.overdriveMix = 1.0f;
    r.overdriveLevel = 0.0f;
    r.masterFilterType = 0.0f;
    r.masterFilterMix = 1.0f;
    r.masterFilterCutoff = 0.5f;
    r.masterFilterResonance = 0.0f;
    r.masterMix = 1.0f;
    r.masterVolume = 1.0f;
    r.reserved80 = 0.5f;
    r.masterProb = 1.0f;

    // The spare blocks 9 … 12 keep the common defaults too; their param1 … param4 stay 0.
    for (int b = 0; b < kNumEffectBlocks; ++b) {
        TEffectBlock &block = r.effects[b];
        block.prob = 0.5f;
        block.volume = 0.5f;
        block.mix = 1.0f;
        block.pan = 0.5f;
        block.filterType = 0.0f;
        block.filterCutoff = 0.5f;
        block.filterResonance = 0.0f;
        if (b < kNumEffects) {
            block.param1 = kEffectParamDefaults[b][0];
            block.param2 = kEffectParamDefaults[b][1];
            block.param3 = kEffectParamDefaults[b][2];
            block.param4 = kEffectParamDefaults[b][3];
        }
    }

    r.currentPattern = 0;
    for (int p = 0; p < kNumPatterns; ++p) {
        const DefaultPattern &pattern = kDefaultPatterns[p];
        for (int s = 0; s < kMaxSteps; ++s) {
            const bool random = (pattern.randomPositions >> (s % pattern.cycle)) & 1u;
            r.patternSteps[p][s] = random ? kCodeRandom : kCodeTie;
        }
    }
    std::memset(r.patternSolo, -1, sizeof r.patternSolo);
    std::memset(r.patternGlobal, -1, sizeof r.patternGlobal);
    r.stepCount = kMaxSteps;

    r.reserved1812 = 2;
    r.midiEnabled = 1;
    std::memset(r.legacyCcMap, -1, sizeof r.legacyCcMap);
    r.ignoreTransport = 0;
    std::memset(r.reserved1943, 1, sizeof r.reserved1943);
    r.reserved1969 = 1;
    r.clippingMode = 1;
    r.reserved1972 = 1.0f;
    for (int16_t &entry : r.ccMap) {
        entry = -1;
    }
    return r;
}

} // namespace frakle::state
