// The engine's timing and step clock against the host timeline.
#include "engine/Engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace frakle::engine {
namespace {

class EngineClock : public ::testing::Test {
protected:
    EngineClock() : record_(state::MakeDefaultRecord()), engine_(record_, random_) {
        engine_.prepare();
    }

    // Runs one block of `frames` silent frames with the given timeline.
    void block(double rate, double bpm, double ppq, bool playing, int frames) {
        std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
        float *in[2] = {l.data(), r.data()};
        BlockTiming timing{rate, bpm, true, ppq, playing};
        engine_.processBlock(timing, in, in, frames, false);
    }

    void setPattern(const std::vector<uint8_t> &codes) {
        for (size_t i = 0; i < codes.size(); ++i) {
            engine_.setStepCode(static_cast<int>(i), codes[i]);
        }
        engine_.setStepCount(static_cast<int32_t>(codes.size()));
        engine_.updateStepLengths();
    }

    state::TProgramRecord record_;
    dsp::TRandom random_;
    TEngine engine_;
};

TEST_F(EngineClock, DerivesStepAndPatternLengthsFromRateAndTempo) {
    EXPECT_EQ(engine_.historyCapacity(), 529200);
    EXPECT_EQ(engine_.history(TEngine::HistorySource::Input, 0).size(), 529216u);

    block(44100, 120, 0, true, 0);
    EXPECT_DOUBLE_EQ(engine_.exactSamplesPerStep(), 5512.5);
    EXPECT_EQ(engine_.samplesPerStep(), 5512);
    EXPECT_EQ(engine_.samplesPerBeat(), 22050);
    EXPECT_EQ(engine_.sequenceLength(), 352800);
    EXPECT_EQ(engine_.fadeLength(), 128);
    EXPECT_EQ(engine_.samplesPerMs(), 44);

    // Below the tempo floor the sequencer runs at 80 bpm; 64 steps then fill the history exactly.
    block(44100, 60, 0, true, 0);
    EXPECT_DOUBLE_EQ(engine_.tempo(), 80.0);
    EXPECT_EQ(engine_.samplesPerStep(), 8269);
    EXPECT_EQ(engine_.sequenceLength(), 529200);

    block(96000, 120, 0, true, 0);
    EXPECT_EQ(engine_.historyCapacity(), 1152000);
    EXPECT_EQ(engine_.samplesPerMs(), 96);
    EXPECT_EQ(engine_.fadeLength(), 279); // nearest(128 × 96000 / 44100)
}

TEST_F(EngineClock, EventLengthsRunToTheNextCodedStep) {
    block(44100, 120, 0, false, 0);
    setPattern({5, 0, 0, 3});
    EXPECT_EQ(engine_.eventLength(0), 16538); // 3 × 5512.5, the half to even
    EXPECT_EQ(engine_.eventLength(3), 5512);
    EXPECT_TRUE(engine_.patternReady());
}

TEST_F(EngineClock, EventsStartOnCodedStepsOnly) {
    block(44100, 120, 0, true, 0);
    setPattern({5, 0, 0, 3});
    std::vector<int> starts;
    for (int i = 0; i < 2 * 4 * 5512 + 10; ++i) {
        if (engine_.stepClock(0.0)) {
            starts.push_back(i);
        }
    }
    EXPECT_EQ(starts, (std::vector<int>{0, 3 * 5512, 4 * 5512, 7 * 5512, 8 * 5512}));
}

TEST_F(EngineClock, ResynchronisesToTheHostPosition) {
    setPattern(std::vector<uint8_t>(16, 1));
    block(44100, 120, 17.3, true, 1); // x = 69.2: step 5 of 16, 0.2 of a step in
    EXPECT_EQ(engine_.stepIndex(), 5);
    // 0.2 × 5512.5 = 1102.5, and 17.3 as a double lies a hair above, so nearest gives 1103;
    // then one sample on.
    EXPECT_EQ(engine_.sampleInStep(), 1103 + 1);

    // A host that does not move its position (stopped, transport ignored): the clock runs on.
    engine_.setIgnoreTransport(true);
    block(44100, 120, 40.0, false, 6000);
    block(44100, 120, 40.0, false, 6000);
    EXPECT_EQ(engine_.stepIndex(), 2); // from step 0 (ppq 40 = 160 sixteenths), 12000 samples on

    // A tempo change re-derives the position from the host at the next sample.
    block(44100, 140, 40.0, false, 1);
    EXPECT_EQ(engine_.stepIndex(), 0);
}

TEST_F(EngineClock, HostileTimelinesStayInRange) {
    setPattern(std::vector<uint8_t>(64, 1));
    const double positions[] = {-3.75, 1e300,        -1e300,
                                4.0e9, std::nan(""), std::numeric_limits<double>::infinity()};
    for (double ppq : positions) {
        block(44100, 120, ppq, true, 64);
        EXPECT_GE(engine_.stepIndex(), 0);
        EXPECT_LT(engine_.stepIndex(), 64);
        EXPECT_GE(engine_.patternPosition(), 0);
        EXPECT_LT(engine_.patternPosition(), engine_.sequenceLength());
    }
    // Absurd rates are ignored, absurd tempos are held to the range the clock can count.
    block(0, 120, 0, true, 16);
    block(-44100, 1e12, 0, true, 16);
    EXPECT_DOUBLE_EQ(engine_.sampleRate(), 44100.0);
    EXPECT_GE(engine_.samplesPerStep(), 1);
    // ppq −3.75 is sixteenth −15: the absolute step keeps the low 31 bits of the integer.
    block(44100, 120, -3.75, true, 1);
    EXPECT_EQ(engine_.absoluteStep(), 0x7FFFFFF1u);
}

} // namespace
} // namespace frakle::engine
