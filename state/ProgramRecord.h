// The program record: every persisted setting of one program, in the byte layout that saved
// presets and projects carry. Shared by the UI, MIDI and audio threads: fields are read and
// written whole through Load/Store (relaxed atomics), never through plain accesses across threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace frakle::state {

constexpr int kNumEffects = 9;       // tape stop … stretcher
constexpr int kNumEffectBlocks = 13; // nine effects and four spare blocks
constexpr int kNumPatterns = 16;
constexpr int kMaxSteps = 64;
constexpr int kRecordSize = 2800;

struct TEffectBlock {
    float prob;
    float volume;
    float mix;
    float pan;
    float filterType;
    float filterCutoff;
    float filterResonance;
    float param1;
    float param2;
    float param3;
    float param4;
};
static_assert(sizeof(TEffectBlock) == 44);

struct TProgramRecord {
    char name[24];
    float reserved24;
    float randomSeed;
    float noClickIn;
    float reserved36;
    float sliceEnvLength;
    float sliceEnvLevel;
    float overdriveMix;
    float overdriveLevel;
    float masterFilterType;
    float masterFilterMix;
    float masterFilterCutoff;
    float masterFilterResonance;
    float masterMix;
    float masterVolume;
    float reserved80;
    float masterProb;
    TEffectBlock effects[kNumEffectBlocks];
    float reserved660[22];
    uint8_t currentPattern;
    uint8_t patternSteps[kNumPatterns][kMaxSteps];
    int8_t patternSolo[kNumPatterns];
    int8_t patternGlobal[kNumPatterns];
    int8_t stepCount;
    uint8_t reserved1806;
    uint8_t padding1807;
    int32_t reserved1808;
    uint8_t reserved1812;
    uint8_t midiEnabled;
    int8_t legacyCcMap[128];
    uint8_t ignoreTransport;
    uint8_t reserved1943[16];
    uint8_t filterQMode[10];
    uint8_t reserved1969;
    uint8_t clippingMode;
    uint8_t padding1971;
    float reserved1972;
    int16_t ccMap[128];
    uint8_t reserved2232[567];
    uint8_t padding2799;
};

static_assert(sizeof(TProgramRecord) == kRecordSize);
static_assert(offsetof(TProgramRecord, reserved24) == 24);
static_assert(offsetof(TProgramRecord, randomSeed) == 28);
static_assert(offsetof(TProgramRecord, noClickIn) == 32);
static_assert(offsetof(TProgramRecord, sliceEnvLength) == 40);
static_assert(offsetof(TProgramRecord, sliceEnvLevel) == 44);
static_assert(offsetof(TProgramRecord, overdriveMix) == 48);
static_assert(offsetof(TProgramRecord, overdriveLevel) == 52);
static_assert(offsetof(TProgramRecord, masterFilterType) == 56);
static_assert(offsetof(TProgramRecord, masterFilterMix) == 60);
static_assert(offsetof(TProgramRecord, masterFilterCutoff) == 64);
static_assert(offsetof(TProgramRecord, masterFilterResonance) == 68);
static_assert(offsetof(TProgramRecord, masterMix) == 72);
static_assert(offsetof(TProgramRecord, masterVolume) == 76);
static_assert(offsetof(TProgramRecord, reserved80) == 80);
static_assert(offsetof(TProgramRecord, masterProb) == 84);
static_assert(offsetof(TProgramRecord, effects) == 88);
static_assert(offsetof(TProgramRecord, reserved660) == 660);
static_assert(offsetof(TProgramRecord, currentPattern) == 748);
static_assert(offsetof(TProgramRecord, patternSteps) == 749);
static_assert(offsetof(TProgramRecord, patternSolo) == 1773);
static_assert(offsetof(TProgramRecord, patternGlobal) == 1789);
static_assert(offsetof(TProgramRecord, stepCount) == 1805);
static_assert(offsetof(TProgramRecord, reserved1808) == 1808);
static_assert(offsetof(TProgramRecord, reserved1812) == 1812);
static_assert(offsetof(TProgramRecord, midiEnabled) == 1813);
static_assert(offsetof(TProgramRecord, legacyCcMap) == 1814);
static_assert(offsetof(TProgramRecord, ignoreTransport) == 1942);
static_assert(offsetof(TProgramRecord, reserved1943) == 1943);
static_assert(offsetof(TProgramRecord, filterQMode) == 1959);
static_assert(offsetof(TProgramRecord, reserved1969) == 1969);
static_assert(offsetof(TProgramRecord, clippingMode) == 1970);
static_assert(offsetof(TProgramRecord, reserved1972) == 1972);
static_assert(offsetof(TProgramRecord, ccMap) == 1976);
static_assert(offsetof(TProgramRecord, reserved2232) == 2232);
static_assert(offsetof(TProgramRecord, padding2799) == 2799);

// Byte offset of effect block b's first field.
constexpr int EffectBlockOffset(int block) { return 88 + 44 * block; }

// Whole-word access to a field shared between threads.
template <class T> inline T Load(const T &field) {
    return std::atomic_ref<T>(const_cast<T &>(field)).load(std::memory_order_relaxed);
}
template <class T> inline void Store(T &field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

// A signed effect-index byte (-1 none) widened with its sign.
inline int32_t LoadEffectIndex(const int8_t &field) {
    const int8_t value = Load(field);
    return value;
}

// The f32 field at a byte offset of the record (offsets from the parameter table).
inline float &FloatAt(TProgramRecord &record, int offset) {
    return *reinterpret_cast<float *>(reinterpret_cast<char *>(&record) + offset);
}
inline const float &FloatAt(const TProgramRecord &record, int offset) {
    return *reinterpret_cast<const float *>(reinterpret_cast<const char *>(&record) + offset);
}

// A fresh default program: "Program 1", the default settings and the sixteen default patterns.
TProgramRecord MakeDefaultRecord();

} // namespace frakle::state
