// The 147 host parameters: labels, display ranges, units, record fields, defaults and kinds.
// Constant data, read from any thread.
#pragma once

#include <array>
#include <cstdint>

namespace frakle::state {

constexpr int kNumParams = 147;

enum class ParamKind : uint8_t {
    Stored,          // a f32 field of the program record
    PatternSelector, // "Pattern"
    Switch,          // "S> …" / "G> …": solo and global effect of the current pattern
    Button,          // "RandFX n" / "InitFX n": one-shot, set back to 0 after acting
};

// A value of a parameter that has a name of its own (a filter type, a pattern number, …).
struct NamedValue {
    float value; // normalised; the value the plug-in itself reports for this choice
    const char *name;
};

struct ParamInfo {
    const char *label; // at most 8 characters; also the name the host shows
    float minimum;     // display range; a maximum below the minimum gives a falling display
    float maximum;
    const char *unit; // unit label, "" when none; the degree sign is the single byte 0xB0
    ParamKind kind;
    int16_t recordOffset; // byte offset of the f32 field (Stored only), otherwise -1
    float defaultValue;   // normalised value of the default program
    const NamedValue *namedValues = nullptr; // the choices, for parameters made of named values
    uint8_t namedValueCount = 0;
};

// Indexed by parameter index 0 … 146.
extern const std::array<ParamInfo, kNumParams> kParamTable;

// Parameters that a program load sends to the engine, in the order they are sent
// (stored settings and the pattern selector; switches and buttons are not sent).
constexpr int kProgramLoadCount = 111;
extern const std::array<int16_t, kProgramLoadCount> kProgramLoadOrder;

// Index of the parameter with this label, or -1; labels shared by two parameters
// ("GaterVol") give the lower index.
int FindParamByLabel(const char *label);

// Frequently used indices.
enum ParamIndex : int {
    kRandSeed = 0,
    kFraklAmt = 1,
    kPattern = 2,
    kOutptMix = 3,
    kFirstEffectParam = 37, // effect e: 37 + 7e … 43 + 7e (prob, FT, FC, FQ, pan, mix, volume)
    kFirstSolo = 100,
    kFirstGlobal = 109,
    kFirstRandFx = 129,
    kFirstInitFx = 138,
};

} // namespace frakle::state
