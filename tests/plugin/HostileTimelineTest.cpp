// The host's timeline at its worst, through the binary interface: sample rates from 8 kHz to
// 384 kHz and jumps between them, rates, tempos and song positions that are zero, negative, no
// number or huge, positions running backwards, a transport that toggles on every block, blocks
// of 0, 1 and 65,536 frames, negative frame counts, null buffers, and hosts with no callback.
// The output stays finite and bounded throughout, and as soon as the timeline is sane again the
// plug-in plays as a fresh instance would at the same song position.
#include "PluginFixture.h"

#include <array>
#include <ostream>

namespace frakle::plugin_tests {
namespace {

constexpr float kBound = 4.0f; // a full-scale input through two effect slots and the master
constexpr double kRate = 44100.0;
constexpr double kTempo = 120.0;
constexpr size_t kStep = 5512;      // a sixteenth at 120 bpm, 44.1 kHz (5,512.5 samples)
constexpr size_t kSequence = 22050; // the four-step patterns set up below
constexpr int32_t kBlock = 512;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

double beatsIn(double frames, double rate = kRate, double tempo = kTempo) {
    return frames * tempo / (60.0 * rate);
}

// Four-step patterns; the current one starts an event on every step, played by `solo`.
void configure(tools::TestHost &h, int solo) {
    auto p = h.getChunk(tools::ChunkKind::Preset);
    for (size_t k = 0; k < 4; ++k) {
        p[kPatternSteps + k] = 1;
    }
    p[kStepCount] = 4;
    ASSERT_EQ(h.setChunk(p, tools::ChunkKind::Preset), 2800);
    h.setParameter(100 + solo, 1.0f); // "S> …"
    h.setSampleRate(kRate);
    h.setBlockSize(kBlock);
    h.resume();
}

// A sane host: 44.1 kHz, 120 bpm, playing from `start` beats; two sequences and a half of the
// loop.
tools::StereoSignal playSane(tools::TestHost &h, double start) {
    h.timeline() = tools::Timeline{};
    h.timeline().ppqPosition = start;
    h.timeline().playing = true;
    h.setSampleRate(kRate);
    return h.processSignal(drumLoop(kRate, 2 * kSequence + 2 * kStep), kBlock);
}

// The ways a host can get its timeline wrong, each kept up for a second of blocks.
enum class Garbage {
    ZeroNegativeAndNanTempo,
    TenThousandBpm,
    NegativePositions,
    PositionsThatAreNoNumber,
    PositionsBeyondTwoTo31Sixteenths,
    BackwardJumps,
    TransportToggling,
    RateSweep,
    RatesNoDeviceRunsAt,
    OddBlocksAndNullBuffers,
    NoTimeInfo,
};

struct GarbageCase {
    Garbage kind;
    const char *name;
};

void PrintTo(const GarbageCase &c, std::ostream *out) { *out << c.name; }

const GarbageCase kGarbage[] = {
    {Garbage::ZeroNegativeAndNanTempo, "ZeroNegativeAndNanTempo"},
    {Garbage::TenThousandBpm, "TenThousandBpm"},
    {Garbage::NegativePositions, "NegativePositions"},
    {Garbage::PositionsThatAreNoNumber, "PositionsThatAreNoNumber"},
    {Garbage::PositionsBeyondTwoTo31Sixteenths, "PositionsBeyondTwoTo31Sixteenths"},
    {Garbage::BackwardJumps, "BackwardJumps"},
    {Garbage::TransportToggling, "TransportToggling"},
    {Garbage::RateSweep, "RateSweep"},
    {Garbage::RatesNoDeviceRunsAt, "RatesNoDeviceRunsAt"},
    {Garbage::OddBlocksAndNullBuffers, "OddBlocksAndNullBuffers"},
    {Garbage::NoTimeInfo, "NoTimeInfo"},
};

// Block `b` of a garbage stretch: what the host reports and how it calls. Returns the peak of
// what the plug-in wrote.
float playGarbageBlock(tools::TestHost &h, Garbage kind, int b, const tools::StereoSignal &in) {
    tools::Timeline &t = h.timeline();
    const auto pick = [b](auto... values) {
        const std::array all{values...};
        return all[static_cast<size_t>(b) % all.size()];
    };
    int32_t frames = kBlock;
    t.playing = true;
    t.available = true;
    t.ppqPosition = 1000.0 + beatsIn(b * kBlock);
    switch (kind) {
    case Garbage::ZeroNegativeAndNanTempo:
        t.tempo = pick(0.0, -120.0, kNaN, kInf, -kInf, 1e-300);
        break;
    case Garbage::TenThousandBpm:
        t.tempo = pick(10000.0, 10000.0, 1e6, 1e12);
        t.ppqPosition = 1000.0 + beatsIn(b * kBlock, kRate, 10000.0);
        break;
    case Garbage::NegativePositions:
        t.ppqPosition = pick(-1e-12, -0.25, -7.9, -1e6, -1e12) + beatsIn(b * kBlock);
        break;
    case Garbage::PositionsThatAreNoNumber:
        t.ppqPosition = pick(kNaN, kInf, -kInf, 3.0);
        break;
    case Garbage::PositionsBeyondTwoTo31Sixteenths:
        t.ppqPosition = pick(536870912.0, 1073741824.0 - 1e-3, 1e10, 1e18, 1e300,
                             std::numeric_limits<double>::max()) +
                        beatsIn(b * kBlock);
        break;
    case Garbage::BackwardJumps:
        t.ppqPosition = 1000.0 - 0.37 * b + pick(0.0, 0.01, -3.0);
        break;
    case Garbage::TransportToggling:
        t.playing = b % 2 == 0;
        break;
    case Garbage::RateSweep: {
        const double rates[] = {8000.0, 384000.0, 22050.0, 192000.0, 11025.0, 352800.0, 96000.0};
        const double rate = rates[static_cast<size_t>(b) / 8 % std::size(rates)];
        h.setSampleRate(rate);
        frames = static_cast<int32_t>(rate / 100.0);
        break;
    }
    case Garbage::RatesNoDeviceRunsAt: {
        const double rate = pick(0.0, -44100.0, kNaN, kInf, 1.0, 1e9);
        h.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        t.sampleRate = rate;
        break;
    }
    case Garbage::OddBlocksAndNullBuffers:
        frames = pick(1, 0, 65536, 7, -3, -65536, kBlock);
        if (b % 3 == 1) {
            std::vector<float> left(kBlock), right(kBlock);
            float *out[2] = {left.data(), right.data()};
            float *none[2] = {nullptr, nullptr};
            h.processRaw(tools::ProcessMode::Replacing, nullptr, out, kBlock);
            h.processRaw(tools::ProcessMode::Replacing, none, none, kBlock);
            h.processRaw(tools::ProcessMode::Accumulating, none, nullptr, kBlock);
            h.processRaw(tools::ProcessMode::Replacing, none, out, std::min(frames, kBlock));
            return peakOf({left, right});
        }
        break;
    case Garbage::NoTimeInfo:
        t.available = b % 2 == 0;
        break;
    }
    const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
    const size_t from = static_cast<size_t>(b) * kBlock % (in.frames() - 65536);
    std::vector<float> outL(n), outR(n);
    if (frames < 0) {
        std::vector<float> inL(kBlock), inR(kBlock);
        float *ins[2] = {inL.data(), inR.data()};
        float *outs[2] = {inL.data(), inR.data()};
        h.processRaw(tools::ProcessMode::Replacing, ins, outs, frames);
        return inL == std::vector<float>(kBlock) ? 0.0f : std::numeric_limits<float>::infinity();
    }
    h.processReplacing(std::span(in.left).subspan(from, n), std::span(in.right).subspan(from, n),
                       outL, outR);
    return peakOf({outL, outR});
}

class HostileTimelineRecovery : public ::testing::TestWithParam<GarbageCase> {};

TEST_P(HostileTimelineRecovery, StaysBoundedAndPlaysAsAFreshInstanceOnceTheTimelineIsSane) {
    const GarbageCase c = GetParam();
    // The effects that start afresh on every event take turns. The modulator's carrier phase,
    // the shuffler's last block and the delay's echoes carry over from one event to the next, so
    // a fresh instance could not match them.
    constexpr int kStartingAfresh[] = {0, 2, 4, 5, 6, 8};
    const int solo = kStartingAfresh[static_cast<size_t>(c.kind) % std::size(kStartingAfresh)];
    const auto in = drumLoop(kRate, 200000);

    tools::TestHost abused(FRAKLE_PLUGIN_PATH);
    abused.open();
    configure(abused, solo);
    abused.timeline().playing = true;
    abused.processSignal(drumLoop(kRate, kSequence), kBlock); // effects running when it starts
    for (int b = 0; b < 90; ++b) {
        if (b % 10 == 0) {
            abused.setParameter(100 + b / 10, 1.0f); // all nine soloed in turn meanwhile
        }
        ASSERT_LE(playGarbageBlock(abused, c.kind, b, in), kBound) << "block " << b;
    }
    abused.setParameter(100 + solo, 1.0f);
    const auto recovered = playSane(abused, 2000.0);

    tools::TestHost fresh(FRAKLE_PLUGIN_PATH);
    fresh.open();
    configure(fresh, solo);
    const auto expected = playSane(fresh, 2000.0);

    EXPECT_LE(peakOf(recovered), kBound);
    // A step into the second sequence, every sample the effects can read is from the sane
    // stretch: from there on the two agree bit for bit.
    for (size_t i = kSequence + kStep; i < expected.frames(); ++i) {
        ASSERT_EQ(recovered.left[i], expected.left[i]) << "frame " << i;
        ASSERT_EQ(recovered.right[i], expected.right[i]) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Garbage, HostileTimelineRecovery, ::testing::ValuesIn(kGarbage),
                         [](const auto &test) { return std::string(test.param.name); });

// Every effect plays at every rate, at 120 and at 10,000 bpm (where events start every few dozen
// samples), and each in turn is playing when the rate jumps.
TEST(HostileTimeline, EveryRateFrom8To384kHzAndJumpsBetweenThemWithEachEffectPlaying) {
    const double rates[] = {8000.0,  384000.0, 11025.0,  352800.0, 22050.0,
                            96000.0, 8000.0,   192000.0, 48000.0,  44100.0};
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    h.open();
    configure(h, 0);
    h.timeline().playing = true;
    for (size_t r = 0; r < std::size(rates); ++r) {
        h.setSampleRate(rates[r]);
        const auto in = drumLoop(rates[r], 600);
        for (size_t k = 0; k < 9; ++k) {
            const auto e = static_cast<int>((r + k) % 9);
            h.setParameter(100 + e, 1.0f);
            for (double bpm : {kTempo, 10000.0}) {
                h.timeline().tempo = bpm;
                ASSERT_LE(peakOf(h.processSignal(in, 300)), kBound)
                    << "effect " << e << " at " << rates[r] << " Hz, " << bpm << " bpm";
            }
        }
    }
}

// A rate that is zero, negative, no number or beyond any device leaves the last good one: the
// output is the same bit for bit as that of an instance whose host reported 48 kHz throughout.
TEST(HostileTimeline, RatesNoDeviceRunsAtLeaveTheLastGoodRate) {
    tools::TestHost liar(FRAKLE_PLUGIN_PATH), honest(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&liar, &honest}) {
        h->open();
        configure(*h, 2);
        h->setSampleRate(48000.0);
        h->timeline().playing = true;
    }
    const auto in = drumLoop(48000.0, 48000);
    const double bad[] = {0.0, -48000.0, kNaN, kInf, -kInf, 1.0, 1e9};
    for (size_t from = 0, b = 0; from < in.frames(); from += kBlock, ++b) {
        const double rate = bad[b % std::size(bad)];
        liar.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        liar.timeline().sampleRate = rate;
        const double position = beatsIn(static_cast<double>(from), 48000.0);
        liar.timeline().ppqPosition = honest.timeline().ppqPosition = position;
        const size_t n = std::min<size_t>(kBlock, in.frames() - from);
        std::vector<float> lieL(n), lieR(n), trueL(n), trueR(n);
        const auto inL = std::span(in.left).subspan(from, n);
        const auto inR = std::span(in.right).subspan(from, n);
        liar.processReplacing(inL, inR, lieL, lieR);
        honest.processReplacing(inL, inR, trueL, trueR);
        ASSERT_EQ(lieL, trueL) << "host rate " << rate;
        ASSERT_EQ(lieR, trueR) << "host rate " << rate;
    }
}

// The steps keep their codes however far from zero the song is: a steady input, the crusher
// silenced on steps 0 … 2 and the reverser doubling it on step 3, both of which give a steady
// input back, so the level in each step shows which effect plays.
TEST(HostileTimeline, FarAndNegativeSongPositionsKeepThePatternOnItsSteps) {
    for (double start : {-2.0, 536870912.0 + 1024.0, 1e10}) {
        tools::TestHost h(FRAKLE_PLUGIN_PATH);
        h.open();
        auto p = h.getChunk(tools::ChunkKind::Preset);
        const uint8_t codes[4] = {7, 0, 0, 6};
        std::memcpy(p.data() + kPatternSteps, codes, 4);
        p[kStepCount] = 4;
        setFloatAt(p, 88 + 44 * 5 + 4, 0.0f); // crusher volume
        setFloatAt(p, 88 + 44 * 4 + 4, 1.0f); // reverser volume
        ASSERT_EQ(h.setChunk(p, tools::ChunkKind::Preset), 2800);
        h.timeline().ppqPosition = start;
        h.timeline().playing = true;
        tools::StereoSignal in;
        in.left.assign(12 * kStep, 0.25f);
        in.right = in.left;
        const auto out = h.processSignal(in, kBlock);
        for (size_t step = 0; step < 12; ++step) {
            const size_t middle = step * kStep + step / 2 + kStep / 2;
            const long code = std::lround(std::fmod(start * 4.0, 4.0) + 4.0 + step) % 4;
            EXPECT_EQ(out.left[middle], code == 3 ? 0.5f : 0.0f)
                << "step " << step << " from " << start << " beats";
        }
    }
}

// Calls that carry no audio (no frames, a negative count, no output array) change nothing and
// write nothing: the output around them is the same bit for bit as without them.
TEST(HostileTimeline, CallsWithoutAudioChangeNothing) {
    tools::TestHost junk(FRAKLE_PLUGIN_PATH), clean(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&junk, &clean}) {
        h->open();
        configure(*h, 4);
        h->timeline().playing = true;
    }
    const auto in = drumLoop(kRate, kSequence * 2);
    std::vector<float> sentinel(kBlock, 7.0f);
    std::vector<float> l = sentinel, r = sentinel;
    float *io[2] = {l.data(), r.data()};
    for (size_t from = 0, b = 0; from < in.frames(); from += kBlock, ++b) {
        const int32_t counts[] = {0, -1, -kBlock, std::numeric_limits<int32_t>::min()};
        junk.processRaw(tools::ProcessMode::Replacing, io, io, counts[b % 4]);
        junk.processRaw(tools::ProcessMode::Accumulating, io, io, counts[(b + 1) % 4]);
        junk.processRaw(tools::ProcessMode::Replacing, io, nullptr, kBlock);
        ASSERT_EQ(l, sentinel);
        ASSERT_EQ(r, sentinel);
        const size_t n = std::min<size_t>(kBlock, in.frames() - from);
        tools::StereoSignal block{{in.left.begin() + static_cast<long>(from),
                                   in.left.begin() + static_cast<long>(from + n)},
                                  {in.right.begin() + static_cast<long>(from),
                                   in.right.begin() + static_cast<long>(from + n)}};
        const auto a = junk.processSignal(block, kBlock);
        const auto e = clean.processSignal(block, kBlock);
        ASSERT_EQ(a.left, e.left) << "block " << b;
        ASSERT_EQ(a.right, e.right) << "block " << b;
    }
}

// A missing input array or channel is heard as silence; a missing output channel is skipped and
// the other still written. Compared with a twin given zeros and full buffers.
TEST(HostileTimeline, NullChannelsAreSilenceInAndNothingOut) {
    tools::TestHost holes(FRAKLE_PLUGIN_PATH), twin(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&holes, &twin}) {
        h->open();
        configure(*h, 1);
        h->timeline().playing = true;
    }
    const auto in = drumLoop(kRate, 64 * kBlock);
    for (int b = 0; b < 64; ++b) {
        const auto from = static_cast<long>(b) * kBlock;
        std::vector<float> inL(in.left.begin() + from, in.left.begin() + from + kBlock);
        std::vector<float> inR(in.right.begin() + from, in.right.begin() + from + kBlock);
        std::vector<float> zeros(kBlock, 0.0f);
        std::vector<float> outL(kBlock, 0.5f), outR(kBlock, 0.5f);
        std::vector<float> twinL(kBlock, 0.5f), twinR(kBlock, 0.5f);
        float *ins[2] = {inL.data(), inR.data()};
        float *twinIns[2] = {inL.data(), inR.data()};
        float *outs[2] = {outL.data(), outR.data()};
        float *twinOuts[2] = {twinL.data(), twinR.data()};
        float **holesIn = ins;
        switch (b % 5) {
        case 0:
            holesIn = nullptr;
            twinIns[0] = twinIns[1] = zeros.data();
            break;
        case 1:
            ins[0] = nullptr;
            twinIns[0] = zeros.data();
            break;
        case 2:
            ins[1] = nullptr;
            twinIns[1] = zeros.data();
            break;
        case 3:
            outs[0] = nullptr;
            break;
        default:
            outs[1] = nullptr;
            break;
        }
        const auto mode =
            b % 2 == 0 ? tools::ProcessMode::Replacing : tools::ProcessMode::Accumulating;
        holes.processRaw(mode, holesIn, outs, kBlock);
        twin.processRaw(mode, twinIns, twinOuts, kBlock);
        for (tools::TestHost *h : {&holes, &twin}) {
            h->timeline().advance(kBlock);
        }
        if (outs[0] != nullptr) {
            ASSERT_EQ(outL, twinL) << "block " << b;
        } else {
            ASSERT_EQ(outL, std::vector<float>(kBlock, 0.5f)) << "block " << b;
        }
        if (outs[1] != nullptr) {
            ASSERT_EQ(outR, twinR) << "block " << b;
        } else {
            ASSERT_EQ(outR, std::vector<float>(kBlock, 0.5f)) << "block " << b;
        }
        ASSERT_LE(peakOf({twinL, twinR}), kBound);
    }
}

// The entry point refuses a null callback. A host that answers its version and nothing else
// (no time, rate or tempo) gets a plug-in whose transport counts as stopped: the input passes.
TEST(HostileTimeline, NoCallbackIsRefusedAndAVersionOnlyHostIsServed) {
    EXPECT_THROW(tools::TestHost(FRAKLE_PLUGIN_PATH, tools::HostCallback::None), tools::HostError);

    tools::TestHost h(FRAKLE_PLUGIN_PATH, tools::HostCallback::VersionOnly);
    h.open();
    h.setSampleRate(48000.0);
    h.resume();
    h.setParameter(100 + 2, 1.0f);
    h.sendMidi(std::vector<tools::MidiMessage>{{0, {0x90, 50, 100}}, {0, {0xB0, 7, 64}}});
    EXPECT_EQ(h.openEditor(0), 1);
    h.idleEditor();
    const auto in = drumLoop(48000.0, 24000);
    const auto out = h.processSignal(in, kBlock);
    h.idleEditor();
    h.closeEditor();
    for (size_t i = 1; i < in.frames(); ++i) {
        ASSERT_NEAR(out.left[i], in.left[i], 1e-6f) << i;
        ASSERT_NEAR(out.right[i], in.right[i], 1e-6f) << i;
    }
}

} // namespace
} // namespace frakle::plugin_tests
