// Note tables, controller decoding and the tag table of MIDI learn.
#include "midi/MidiMap.h"

namespace frakle::midi {

namespace {

constexpr int kPatternNote = 48; // 48 … 62 select patterns 1 … 15, 63 pattern 16
constexpr int kSoloNote = 72;    // 72 … 80: solo switches of effects 0 … 8
constexpr int kGlobalNote = 84;  // 84 … 92: global switches

struct SingleTag {
    int16_t tag;
    int16_t parameter;
};

constexpr SingleTag kSingleTags[] = {
    {1, 0},    {4, 28},   {5, 29},   {6, 30},    {7, 31},    {8, 32},    {9, 35},    {10, 33},
    {11, 34},  {12, 3},   {13, 36},  {15, 1},    {23, 118},  {24, 119},  {25, 120},  {34, 4},
    {35, 5},   {36, 19},  {37, 125}, {45, 6},    {46, 20},   {47, 21},   {48, 123},  {56, 16},
    {57, 17},  {58, 18},  {59, 121}, {67, 7},    {68, 8},    {69, 22},   {78, 9},    {79, 10},
    {80, 23},  {89, 11},  {90, 24},  {91, 25},   {100, 12},  {101, 13},  {102, 26},  {103, 124},
    {111, 14}, {112, 15}, {113, 27}, {122, 122}, {123, 126}, {124, 127}, {125, 128},
};

} // namespace

int32_t TagToParameter(int32_t tag) {
    // Per-effect controls: probability, volume, mix, pan, filter type, frequency, Q.
    if (tag >= 16 && tag < 16 + 11 * 9) {
        constexpr int kMember[7] = {0, 6, 5, 4, 1, 2, 3};
        const int e = (tag - 16) / 11;
        const int k = (tag - 16) % 11;
        if (k < 7) {
            return 37 + 7 * e + kMember[k];
        }
    }
    if (tag == 181) {
        return 2;
    }
    for (int base : {200, 300, 400, 500}) {
        if (tag > base && tag <= base + 9) {
            constexpr int kFirst[] = {100, 109, 129, 138};
            return kFirst[base / 100 - 2] + (tag - base - 1);
        }
    }
    for (const SingleTag &single : kSingleTags) {
        if (single.tag == tag) {
            return single.parameter;
        }
    }
    return -1;
}

void Forget(state::TProgramRecord &record, int32_t parameter) {
    for (int16_t &entry : record.ccMap) {
        if (state::Load(entry) == parameter) {
            state::Store(entry, static_cast<int16_t>(-1));
        }
    }
}

void Learn(state::TProgramRecord &record, int32_t parameter, int32_t controller) {
    if (controller < 0 || controller > 127) {
        return;
    }
    Forget(record, parameter);
    state::Store(record.ccMap[controller], static_cast<int16_t>(parameter));
}

int32_t BoundParameter(const state::TProgramRecord &record, int32_t controller) {
    if (controller < 0 || controller > 127) {
        return -1;
    }
    return state::Load(record.ccMap[controller]);
}

MidiAction Decode(const uint8_t bytes[3]) {
    MidiAction action;
    const int status = bytes[0] & 0xF0;
    const int note = bytes[1] & 0x7F;
    const bool noteOn = status == 0x90 && bytes[2] > 0;
    const bool noteOff = status == 0x80 || (status == 0x90 && bytes[2] == 0);
    if (noteOn && note >= kPatternNote && note < kPatternNote + 15) {
        action = {MidiAction::Kind::SetParameter, 2,
                  static_cast<float>(0.0667 * (note - kPatternNote))};
    } else if (noteOn && note == kPatternNote + 15) {
        action = {MidiAction::Kind::SetParameter, 2, 1.0f};
    } else if ((noteOn || noteOff) && note >= kSoloNote && note < kSoloNote + 9) {
        action = {MidiAction::Kind::SetParameter, 100 + note - kSoloNote, noteOn ? 1.0f : 0.2f};
    } else if ((noteOn || noteOff) && note >= kGlobalNote && note < kGlobalNote + 9) {
        action = {MidiAction::Kind::SetParameter, 109 + note - kGlobalNote, noteOn ? 1.0f : 0.2f};
    } else if (status == 0xB0 && bytes[1] <= 127) {
        action = {MidiAction::Kind::ControlChange, bytes[1], static_cast<float>(bytes[2]) / 127.0f};
    }
    return action;
}

} // namespace frakle::midi
