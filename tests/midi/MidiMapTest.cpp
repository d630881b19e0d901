// MIDI decoding, the control-tag → parameter table and the learn map's one-controller rule.
#include "midi/MidiMap.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

namespace frakle::midi {
namespace {

using Kind = MidiAction::Kind;

TEST(MidiMap, TagToParameter) {
    const std::pair<int, int> cases[] = {
        {16, 37},   {17, 43},   {18, 42},   {19, 41},  {20, 38},   {21, 39},   {22, 40},
        {27, 44},   {110, 96},  {23, 118},  {181, 2},  {201, 100}, {209, 108}, {301, 109},
        {309, 117}, {401, 129}, {509, 146}, {1, 0},    {45, 6},    {89, 11},   {125, 128},
        {0, -1},    {2, -1},    {14, -1},   {26, -1},  {114, -1},  {126, -1},  {135, -1},
        {182, -1},  {200, -1},  {210, -1},  {999, -1}, {-1, -1},
    };
    for (const auto &[tag, parameter] : cases) {
        EXPECT_EQ(TagToParameter(tag), parameter) << "tag " << tag;
    }
}

TEST(MidiMap, LearnKeepsOneControllerPerParameter) {
    state::TProgramRecord record = state::MakeDefaultRecord();
    const auto bindings = [&record](int parameter) {
        int count = 0;
        for (int cc = 0; cc < 128; ++cc) {
            count += BoundParameter(record, cc) == parameter ? 1 : 0;
        }
        return count;
    };
    ASSERT_EQ(bindings(-1), 128);
    Learn(record, 6, 20);
    Learn(record, 6, 21); // the same knob learns another controller: CC 20 lets go
    EXPECT_EQ(std::tuple(BoundParameter(record, 20), BoundParameter(record, 21)),
              std::tuple(-1, 6));
    Learn(record, 11, 21); // CC 21 re-learned for another parameter drives only that one
    EXPECT_EQ(std::tuple(BoundParameter(record, 21), bindings(6)), std::tuple(11, 0));
    Learn(record, 6, 127);
    Learn(record, 6, 128); // outside 0 … 127: neither binds nor drops the binding
    Learn(record, 6, -1);
    EXPECT_EQ(std::tuple(BoundParameter(record, 127), bindings(6), BoundParameter(record, 128)),
              std::tuple(6, 1, -1));
    Forget(record, 11);
    EXPECT_EQ(std::tuple(bindings(11), bindings(6)), std::tuple(0, 1));
}

struct Case {
    uint8_t status, data1, data2;
    Kind kind;
    int index;
    float value;
};

TEST(MidiDecode, NotesControllersAndOtherMessages) {
    const Case cases[] = {
        {0x90, 63, 100, Kind::SetParameter, 2, 1.0f},
        {0x94, 55, 1, Kind::SetParameter, 2, 0.4669f},
        {0x90, 72, 0, Kind::SetParameter, 100, 0.2f},
        {0x90, 80, 9, Kind::SetParameter, 108, 1.0f},
        {0x84, 75, 0, Kind::SetParameter, 103, 0.2f},
        {0x80, 84, 64, Kind::SetParameter, 109, 0.2f},
        {0x9F, 92, 64, Kind::SetParameter, 117, 1.0f},
        {0xB0, 20, 127, Kind::ControlChange, 20, 1.0f},
        {0xB5, 7, 0, Kind::ControlChange, 7, 0.0f},
    };
    for (const Case &c : cases) {
        const uint8_t bytes[3] = {c.status, c.data1, c.data2};
        const MidiAction a = Decode(bytes);
        EXPECT_EQ(std::tuple(a.kind, a.index, a.value), std::tuple(c.kind, c.index, c.value))
            << int(c.status) << " " << int(c.data1);
    }
    // Ignored: notes outside the tables (on and off), pattern note offs, other messages.
    std::vector<std::array<uint8_t, 3>> ignored = {{0x80, 50, 0}, {0x90, 50, 0},   {0xE0, 63, 100},
                                                   {0xC0, 63, 0}, {0xA0, 72, 100}, {0xD0, 63, 0},
                                                   {0xF8, 0, 0}};
    for (uint8_t note : {47, 64, 67, 71, 81, 82, 83, 93}) {
        ignored.push_back({0x90, note, 100});
        ignored.push_back({0x80, note, 100});
    }
    for (const auto &bytes : ignored) {
        EXPECT_EQ(Decode(bytes.data()).kind, Kind::None) << int(bytes[0]) << " " << int(bytes[1]);
    }
    // Notes 48 … 62 give the listed "Pattern" values; floor(15 v) picks pattern k.
    const float values[15] = {0.0f,    0.0667f, 0.1334f, 0.2001f, 0.2668f,
                              0.3335f, 0.4002f, 0.4669f, 0.5336f, 0.6003f,
                              0.667f,  0.7337f, 0.8004f, 0.8671f, 0.9338f};
    for (int k = 0; k < 15; ++k) {
        const uint8_t bytes[3] = {0x90, static_cast<uint8_t>(48 + k), 1};
        const float v = Decode(bytes).value;
        EXPECT_EQ(std::tuple(v, std::floor(v * 15.0f)), std::tuple(values[k], k)) << 48 + k;
    }
}

} // namespace
} // namespace frakle::midi
