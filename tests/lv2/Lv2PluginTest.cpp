// The LV2 bundle driven through lilv as a host drives it: its ports against what a VST host
// lists, a host timeline giving the VST build's output bit for bit, the rule that only changed
// ports are taken, and state.
#include "state/ParameterTable.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/plugin/PluginFixture.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/port-props/port-props.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <tuple>

namespace frakle::lv2_tests {
namespace {

using state::kParamTable;
using state::ParamKind;

constexpr uint32_t kBlock = 512;
constexpr double kRate = 44100.0;

struct PortNodes {
    const Bundle &b = bundle();
    LilvNode *audio = b.uri(LV2_CORE__AudioPort), *atom = b.uri(LV2_ATOM__AtomPort),
             *input = b.uri(LV2_CORE__InputPort), *output = b.uri(LV2_CORE__OutputPort),
             *control = b.uri(LV2_CORE__ControlPort), *designation = b.uri(LV2_CORE__designation),
             *controlRole = b.uri(LV2_CORE__control), *toggled = b.uri(LV2_CORE__toggled),
             *trigger = b.uri(LV2_PORT_PROPS__trigger), *position = b.uri(LV2_TIME__Position),
             *midiEvent = b.uri(LV2_MIDI__MidiEvent);
    ~PortNodes() {
        for (LilvNode *node : {audio, atom, input, output, control, designation, controlRole,
                               toggled, trigger, position, midiEvent}) {
            lilv_node_free(node);
        }
    }
    const LilvPort *port(uint32_t i) const { return lilv_plugin_get_port_by_index(b.plugin, i); }
    bool is(uint32_t i, LilvNode *kind) const { return lilv_port_is_a(b.plugin, port(i), kind); }
    bool has(uint32_t i, LilvNode *property) const {
        return lilv_port_has_property(b.plugin, port(i), property);
    }
    bool takes(uint32_t i, LilvNode *event) const {
        return lilv_port_supports_event(b.plugin, port(i), event);
    }
    std::string symbol(uint32_t i) const {
        return lilv_node_as_string(lilv_port_get_symbol(b.plugin, port(i)));
    }
};

TEST(Lv2Bundle, AudioTimeAndMidiPortsComeFirst) {
    const PortNodes n;
    ASSERT_EQ(lilv_plugin_get_num_ports(n.b.plugin), kNumPorts);
    const struct {
        uint32_t index;
        const char *symbol;
        LilvNode *kind;
        LilvNode *direction;
    } ports[] = {{0, "in_l", n.audio, n.input},   {1, "in_r", n.audio, n.input},
                 {2, "out_l", n.audio, n.output}, {3, "out_r", n.audio, n.output},
                 {4, "time", n.atom, n.input},    {5, "midi", n.atom, n.input}};
    for (const auto &p : ports) {
        EXPECT_EQ(std::tuple(n.symbol(p.index), n.is(p.index, p.kind), n.is(p.index, p.direction)),
                  std::tuple(p.symbol, true, true));
    }
    // Time positions alone on the designated port, which hosts feed even with no MIDI connected.
    EXPECT_EQ(std::tuple(n.takes(4, n.position), n.takes(4, n.midiEvent), n.takes(5, n.midiEvent),
                         n.takes(5, n.position)),
              std::tuple(true, false, true, false));
    LilvNodes *role = lilv_port_get_value(n.b.plugin, n.port(4), n.designation);
    EXPECT_TRUE(role != nullptr && lilv_node_equals(lilv_nodes_get_first(role), n.controlRole));
    lilv_nodes_free(role);
}

TEST(Lv2Bundle, ParameterPortsAreWhatAVstHostLists) {
    const PortNodes n;
    tools::TestHost vst(FRAKLE_PLUGIN_PATH);
    vst.open();
    std::set<std::string> symbols;
    for (int32_t i = 0; i < static_cast<int32_t>(kNumParameters); ++i) {
        const uint32_t at = kFirstParameterPort + static_cast<uint32_t>(i);
        LilvNode *name = lilv_port_get_name(n.b.plugin, n.port(at));
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(n.b.plugin, n.port(at), &def, &min, &max);
        LilvScalePoints *points = lilv_port_get_scale_points(n.b.plugin, n.port(at));
        const state::ParamInfo &info = kParamTable[static_cast<size_t>(i)];
        const bool button = info.kind == ParamKind::Button;
        EXPECT_EQ(std::tuple(std::string(lilv_node_as_string(name)), lilv_node_as_float(def),
                             lilv_node_as_float(min), lilv_node_as_float(max), n.is(at, n.control),
                             n.has(at, n.toggled), n.has(at, n.trigger),
                             points != nullptr ? lilv_scale_points_size(points) : 0),
                  std::tuple(vst.paramName(i), vst.getParameter(i), 0.0f, 1.0f, true,
                             info.kind == ParamKind::Switch || button, button,
                             static_cast<unsigned>(info.namedValueCount)))
            << i;
        EXPECT_TRUE(symbols.insert(n.symbol(at)).second) << i;
        // Each pattern's value selects it as the plug-in reads the selector: floor(v × 15) + 1.
        if (i == 2) {
            LILV_FOREACH(scale_points, it, points) {
                const LilvScalePoint *point = lilv_scale_points_get(points, it);
                const double v = lilv_node_as_float(lilv_scale_point_get_value(point));
                EXPECT_EQ(std::floor(v * 15.0) + 1.0,
                          std::stod(lilv_node_as_string(lilv_scale_point_get_label(point))));
            }
        }
        lilv_scale_points_free(points);
        for (LilvNode *node : {name, def, min, max}) {
            lilv_node_free(node);
        }
    }
    // Saved sessions name ports by symbol: these never change.
    const std::pair<uint32_t, const char *> pinned[] = {
        {0, "randseed"},    {2, "pattern"},   {4, "mod_freq"},  {25, "gatervol"},
        {85, "gatervol_2"}, {100, "s_tapes"}, {117, "g_stret"}, {146, "initfx_9"}};
    for (const auto &[index, symbol] : pinned) {
        EXPECT_EQ(n.symbol(kFirstParameterPort + index), symbol);
    }
}

// A host timeline: from `block` on, the tempo and transport are as given; a jump moves the song
// position; a note is sent and a parameter automated at the start of the block.
struct Change {
    int block;
    double tempo;
    bool playing;
    double jumpTo; // NaN: no jump
    uint8_t note;  // 0: none
    int parameter = -1;
    float value = 0.0f;
};
constexpr double kNoJump = NAN;
constexpr int kBlocks = 200;

struct Timeline {
    const char *name;
    bool hostTime; // false: the host gives no time information at all
    std::vector<Change> changes;
};

void PrintTo(const Timeline &timeline, std::ostream *out) { *out << timeline.name; }

class Lv2Timeline : public ::testing::TestWithParam<Timeline> {};

TEST_P(Lv2Timeline, OutputIsBitIdenticalToTheVstBuild) {
    const Timeline &timeline = GetParam();
    tools::TestHost vst(FRAKLE_PLUGIN_PATH);
    vst.open();
    vst.setSampleRate(kRate);
    vst.setBlockSize(kBlock);
    vst.resume();
    vst.timeline().available = timeline.hostTime;
    Lv2Instance lv2(kRate);
    const tools::StereoSignal in = plugin_tests::drumLoop(kRate, kBlock * kBlocks);
    std::vector<float> vl(kBlock), vr(kBlock), ll(kBlock), lr(kBlock);
    size_t next = 0;
    int differing = 0;
    int wet = 0; // blocks the effects changed: the comparison is of more than the dry signal
    for (int block = 0; block < kBlocks; ++block) {
        tools::Timeline &t = vst.timeline();
        if (next < timeline.changes.size() && timeline.changes[next].block == block) {
            const Change &c = timeline.changes[next++];
            t.tempo = c.tempo;
            t.playing = c.playing;
            if (!std::isnan(c.jumpTo)) {
                t.ppqPosition = c.jumpTo;
            }
            if (timeline.hostTime) {
                lv2.position({t.ppqPosition, static_cast<float>(c.tempo), c.playing ? 1.0f : 0.0f});
            }
            if (c.parameter >= 0) {
                vst.setParameter(c.parameter, c.value);
                lv2.control(c.parameter) = c.value;
            }
            if (c.note != 0) {
                const tools::MidiMessage note{0, {0x90, c.note, 100}};
                vst.sendMidi(std::span(&note, 1));
                lv2.midi({0x90, c.note, 100});
            }
        }
        const size_t at = static_cast<size_t>(block) * kBlock;
        const auto left = std::span(in.left).subspan(at, kBlock);
        const auto right = std::span(in.right).subspan(at, kBlock);
        vst.processReplacing(left, right, vl, vr);
        t.advance(kBlock);
        lv2.run(left, right, ll, lr);
        differing += std::memcmp(vl.data(), ll.data(), sizeof(float) * kBlock) != 0 ||
                     std::memcmp(vr.data(), lr.data(), sizeof(float) * kBlock) != 0;
        wet += !std::equal(left.begin(), left.end(), ll.begin());
    }
    EXPECT_EQ(differing, 0) << "blocks that differ out of " << kBlocks;
    EXPECT_GT(wet, timeline.hostTime ? kBlocks / 2 : 0);
}

// Host automation rides along: setParameter on the VST build, a port value on the LV2 one,
// before the block's events as hosts commonly send them.
const Timeline kFullTimeline{"TempoChangesStopsJumpsNotesAndAutomation",
                             true,
                             {{0, 120.0, true, 0.0, 0},
                              {20, 120.0, true, kNoJump, 0, 1, 0.6f}, // "FraklAmt"
                              {40, 97.5, true, kNoJump, 0, 36, 0.7f}, // "OutPtVol"
                              {80, 97.5, false, kNoJump, 0},
                              {100, 140.0, true, 7.25, 0, 7, 0.8f}, // "RevLeft" moves "RevRight"
                              {130, 140.0, true, 3.5, 50, 2, 0.4f}, // "Pattern", a pattern note
                              {160, 174.25, true, kNoJump, 74, 106, 1.0f}}}; // "S> Gater", solo
const Timeline kNoTime{
    "NoTimeInformation", false, {{0, 120.0, true, kNoJump, 0}, {60, 120.0, true, kNoJump, 74}}};

INSTANTIATE_TEST_SUITE_P(Timelines, Lv2Timeline, ::testing::Values(kFullTimeline, kNoTime),
                         [](const auto &row) { return std::string(row.param.name); });

float recordFloat(const std::vector<uint8_t> &record, int32_t parameter) {
    return plugin_tests::floatAt(
        record, static_cast<size_t>(kParamTable[static_cast<size_t>(parameter)].recordOffset));
}

TEST(Lv2Ports, OnlyChangedPortsAreTakenSoThePluginsOwnChangesStand) {
    Lv2Instance lv2;
    std::vector<float> silence(kBlock), out(kBlock);
    const auto block = [&] { lv2.run(silence, silence, out, out); };
    block();
    lv2.control(7) = 0.9f;     // "RevLeft" above "RevRight": the plug-in moves "RevRight" up
    lv2.midi({0x90, 50, 100}); // pattern 3
    block();
    block();
    std::vector<uint8_t> record = *lv2.save();
    EXPECT_EQ(
        std::tuple(recordFloat(record, 8), record[plugin_tests::kCurrentPattern], lv2.control(8)),
        std::tuple(0.9f, 2, 0.5f));
    lv2.control(8) = 0.95f;  // a port the host changes is taken
    lv2.control(129) = 1.0f; // "RandFX 1", held by the host for several blocks
    block();
    const std::vector<uint8_t> randomised = *lv2.save();
    EXPECT_EQ(recordFloat(randomised, 8), 0.95f);
    EXPECT_FALSE(std::equal(record.begin() + 116, record.begin() + 128, randomised.begin() + 116));
    block();
    block();
    EXPECT_EQ(*lv2.save(), randomised) << "a trigger held high acts once";
}

TEST(Lv2State, RoundTripGivesTheSameRecordAndTheSameAudio) {
    Lv2Instance original;
    std::vector<float> none;
    original.control(1) = 0.7f;
    original.control(36) = 0.8f;    // "OutPtVol"
    original.midi({0x90, 52, 100}); // pattern 5
    original.midi({0x90, 75, 100}); // shuffler solo
    original.run(none, none, none, none);
    const std::vector<uint8_t> record = *original.save();
    Lv2Instance restored;
    restored.control(36) = 0.2f; // an older value the host kept beside the record: not taken
    ASSERT_EQ(restored.restore(record), LV2_STATE_SUCCESS);
    EXPECT_EQ(*restored.save(), record);

    const tools::StereoSignal in = plugin_tests::drumLoop(kRate, kBlock * 64);
    std::vector<float> al(kBlock), ar(kBlock), bl(kBlock), br(kBlock);
    original.position({0.0, 128.0f, 1.0f}); // at the first block
    restored.position({0.0, 128.0f, 1.0f});
    for (size_t at = 0; at < in.frames(); at += kBlock) {
        const auto left = std::span(in.left).subspan(at, kBlock);
        const auto right = std::span(in.right).subspan(at, kBlock);
        original.run(left, right, al, ar);
        restored.run(left, right, bl, br);
        ASSERT_TRUE(al == bl && ar == br) << at;
    }
    EXPECT_EQ(*restored.save(), *original.save());
}

TEST(Lv2State, DamagedStateIsRefusedAndTheProgramStays) {
    Lv2Instance lv2;
    lv2.control(1) = 0.3f;
    std::vector<float> none;
    lv2.run(none, none, none, none);
    const std::vector<uint8_t> before = *lv2.save();
    // Cut short, empty, or of another type.
    for (const auto &[bytes, type] : {std::pair(std::vector(before.begin(), before.end() - 1), 0u),
                                      {std::vector<uint8_t>{}, 0u},
                                      {before, urid(LV2_ATOM__String)}}) {
        EXPECT_NE(lv2.restore(bytes, type), LV2_STATE_SUCCESS);
    }
    EXPECT_EQ(*lv2.save(), before);
}

} // namespace
} // namespace frakle::lv2_tests
