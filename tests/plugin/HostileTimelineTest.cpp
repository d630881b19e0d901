// The host's timeline at its worst, through the binary interface: sample rates from 8 kHz to
// 384 kHz and jumps between them, rates, tempos and song positions that are zero, negative, no
// number or huge, positions running backwards, a transport that toggles on every block, blocks
// of 0, 1 and 65,536 frames, negative frame counts, null buffers, and hosts with no callback.
// The output stays finite and bounded throughout, and as soon as the timeline is sane again the
// plug-in plays as a fresh instance would at the same song position.
#include "PluginFixture.h"

#include <array>

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
using tools::ProcessMode;

double beatsIn(double frames, double rate = kRate, double tempo = kTempo) {
    return frames * tempo / (60.0 * rate);
}

// Four-step patterns; the current one starts an event on every step, played by `solo`.
void configure(tools::TestHost &h, int solo) {
    h.open();
    everyStep(h);
    h.setParameter(100 + solo, 1.0f); // "S> …"
    h.setSampleRate(kRate);
    h.setBlockSize(kBlock);
    h.resume();
    h.timeline().playing = true;
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

// The ways a host can get its timeline wrong, each kept up for a second of blocks. (Rates no
// device runs at and null buffers are played against a twin below.)
enum class Garbage {
    ZeroNegativeAndNanTempo,
    TenThousandBpm,
    NegativePositions,
    PositionsThatAreNoNumber,
    PositionsBeyondTwoTo31Sixteenths,
    BackwardJumps,
    TransportToggling,
    RateSweep,
    OddBlocks,
    NoTimeInfo,
    Count
};
const char *const kGarbageNames[] = {"ZeroNegativeAndNanTempo",
                                     "TenThousandBpm",
                                     "NegativePositions",
                                     "PositionsThatAreNoNumber",
                                     "PositionsBeyondTwoTo31Sixteenths",
                                     "BackwardJumps",
                                     "TransportToggling",
                                     "RateSweep",
                                     "OddBlocks",
                                     "NoTimeInfo"};

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
    case Garbage::OddBlocks:
        frames = pick(1, 0, 65536, 7, -3, -65536, kBlock);
        break;
    default: // NoTimeInfo
        t.available = b % 2 == 0;
        break;
    }
    const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
    const size_t from = static_cast<size_t>(b) * kBlock % (in.frames() - 65536);
    std::vector<float> outL(n), outR(n);
    if (frames < 0) {
        std::vector<float> inL(kBlock), inR(kBlock);
        float *ins[2] = {inL.data(), inR.data()};
        h.processRaw(ProcessMode::Replacing, ins, ins, frames);
        return inL == std::vector<float>(kBlock) ? 0.0f : std::numeric_limits<float>::infinity();
    }
    h.processReplacing(std::span(in.left).subspan(from, n), std::span(in.right).subspan(from, n),
                       outL, outR);
    return peakOf({outL, outR});
}

class HostileTimelineRecovery : public ::testing::TestWithParam<int> {};

TEST_P(HostileTimelineRecovery, StaysBoundedAndPlaysAsAFreshInstanceOnceTheTimelineIsSane) {
    const auto kind = static_cast<Garbage>(GetParam());
    // The effects that start afresh on every event take turns. The modulator's carrier phase,
    // the shuffler's last block and the delay's echoes carry over from one event to the next, so
    // a fresh instance could not match them.
    constexpr int kStartingAfresh[] = {0, 2, 4, 5, 6, 8};
    const int solo = kStartingAfresh[static_cast<size_t>(kind) % std::size(kStartingAfresh)];
    const auto in = drumLoop(kRate, 200000);

    tools::TestHost abused(FRAKLE_PLUGIN_PATH), fresh(FRAKLE_PLUGIN_PATH);
    configure(abused, solo);
    abused.processSignal(drumLoop(kRate, kSequence), kBlock); // effects running when it starts
    for (int b = 0; b < 90; ++b) {
        if (b % 10 == 0) {
            abused.setParameter(100 + b / 10, 1.0f); // all nine soloed in turn meanwhile
        }
        ASSERT_LE(playGarbageBlock(abused, kind, b, in), kBound) << "block " << b;
    }
    abused.setParameter(100 + solo, 1.0f);
    const auto recovered = playSane(abused, 2000.0);
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

INSTANTIATE_TEST_SUITE_P(Garbage, HostileTimelineRecovery,
                         ::testing::Range(0, static_cast<int>(Garbage::Count)),
                         [](const auto &test) { return kGarbageNames[test.param]; });

// Every effect plays at every rate, at 120 and at 10,000 bpm (where events start every few dozen
// samples), and each in turn is playing when the rate jumps.
TEST(HostileTimeline, EveryRateFrom8To384kHzAndJumpsBetweenThemWithEachEffectPlaying) {
    const double rates[] = {8000.0,  384000.0, 11025.0,  352800.0, 22050.0,
                            96000.0, 8000.0,   192000.0, 48000.0,  44100.0};
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    configure(h, 0);
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

// A host that gets everything but the audio wrong, block after block, against a twin that gets
// it right: rates no device runs at (the last good one stays), calls that carry no audio (no
// frames, a negative count, no output array: nothing is written), a missing input array or
// channel (heard as silence: the twin gets zeros) and a missing output channel (skipped, the
// other still written). The two agree bit for bit throughout.
TEST(HostileTimeline, BadRatesEmptyCallsAndNullChannelsChangeNothingElse) {
    tools::TestHost junk(FRAKLE_PLUGIN_PATH), twin(FRAKLE_PLUGIN_PATH);
    configure(junk, 2);
    configure(twin, 2);
    const auto in = drumLoop(kRate, 96 * kBlock);
    const double badRates[] = {0.0, -48000.0, kNaN, kInf, -kInf, 1.0, 1e9};
    const int32_t noFrames[] = {0, -1, -kBlock, std::numeric_limits<int32_t>::min()};
    const std::vector<float> untouched(kBlock, 0.5f);
    std::vector<float> zeros(kBlock, 0.0f);
    for (int b = 0; b < 96; ++b) {
        const double rate = badRates[b % 7];
        junk.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        junk.timeline().sampleRate = rate;
        junk.timeline().ppqPosition = twin.timeline().ppqPosition = beatsIn(b * kBlock);
        std::vector<float> l = untouched, r = untouched, twinL = untouched, twinR = untouched;
        float *outs[2] = {l.data(), r.data()};
        junk.processRaw(ProcessMode::Replacing, outs, outs, noFrames[b % 4]);
        junk.processRaw(ProcessMode::Accumulating, outs, outs, noFrames[(b + 1) % 4]);
        junk.processRaw(ProcessMode::Replacing, outs, nullptr, kBlock);
        ASSERT_EQ(l, untouched);
        ASSERT_EQ(r, untouched);

        const long from = static_cast<long>(b) * kBlock;
        std::vector<float> inL(in.left.begin() + from, in.left.begin() + from + kBlock);
        std::vector<float> inR(in.right.begin() + from, in.right.begin() + from + kBlock);
        float *ins[2] = {inL.data(), inR.data()}, *twinIns[2] = {inL.data(), inR.data()};
        float *twinOuts[2] = {twinL.data(), twinR.data()};
        float **junkIns = ins;
        switch (b % 5) {
        case 0:
            junkIns = nullptr;
            twinIns[0] = twinIns[1] = zeros.data();
            break;
        case 1:
        case 2:
            ins[b % 5 - 1] = nullptr;
            twinIns[b % 5 - 1] = zeros.data();
            break;
        default:
            outs[b % 5 - 3] = nullptr;
            break;
        }
        const auto mode = b % 2 == 0 ? ProcessMode::Replacing : ProcessMode::Accumulating;
        junk.processRaw(mode, junkIns, outs, kBlock);
        twin.processRaw(mode, twinIns, twinOuts, kBlock);
        ASSERT_EQ(l, outs[0] != nullptr ? twinL : untouched) << "block " << b;
        ASSERT_EQ(r, outs[1] != nullptr ? twinR : untouched) << "block " << b;
        ASSERT_LE(peakOf({twinL, twinR}), kBound);
    }
}

// The entry point refuses a null callback. A host that answers its version and nothing else
// (no time, rate or tempo) gets a plug-in whose transport counts as stopped: the input passes.
TEST(HostileTimeline, AVersionOnlyHostIsServed) {
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
