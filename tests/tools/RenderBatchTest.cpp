// frakle-render's looping, MIDI cues, shorthands, variations and plot, run as a user would.
#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace frakle::tools::testing {
namespace {

const std::filesystem::path kRenderer = FRAKLE_BUILD_DIR "/frakle-render";
const std::filesystem::path kDemoLoop = FRAKLE_BUILD_DIR "/frakle-demo-loop";
const std::string kProbe = FRAKLE_PROBE_PLUGIN_PATH;
constexpr int kStereo16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class RenderBatchTest : public ::testing::Test {
protected:
    std::string path(const std::string &name) const { return (folder / name).string(); }

    // Renders in.wav to `output` and returns the exit status; the run must print no error.
    void renderOk(std::vector<std::string> args, const std::string &output = "out.wav") {
        args.push_back(path("in.wav"));
        args.push_back(path(output));
        const RunResult result = runProgram(kRenderer, args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
    }

    // One bar of the demo drum loop at 120 bpm as in.wav, for the plug-in proper.
    void drumInput() {
        const RunResult made = runProgram(
            kDemoLoop, {path("in.wav"), "--bpm", "120", "--bars", "1", "--rate", "22050"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    ScratchFolder folder;
};

bool frakleBuilt() { return std::filesystem::exists(FRAKLE_PLUGIN_PATH); }

TEST_F(RenderBatchTest, BadArgumentsFailWithOneLineAndWriteNothing) {
    writeWav(path("in.wav"), sineWav(2, 1000, 8000, kStereo16));
    const std::vector<std::vector<std::string>> cases{
        {"--loop", "0"},
        {"--loop", "1001"},
        {"--loop", "two"},
        {"--note", "128@0"},
        {"--note", "-1@0"},
        {"--note", "55"},
        {"--note", "55@"},
        {"--note", "55@-1"},
        {"--note", "55@soon"},
        {"--note", "@1"},
        {"--note", "55@100"}, // past the end of the 1000 frames
        {"--loop", "2", "--note", "55@0.5"},
        {"--cc", "7@0"},
        {"--cc", "7=1"},
        {"--cc", "128=1@0"},
        {"--cc", "7=128@0"},
        {"--cc", "7=x@0"},
        {"--pattern", "0"},
        {"--pattern", "17"},
        {"--pattern", "8"}, // the probe has no Pattern parameter
        {"--solo", "echo"},
        {"--solo", "reverser"}, // nor solo switches
        {"--global", "Delay"},
        {"--variations", "0"},
        {"--variations", "1001"},
        {"--variations", "3"}, // nor a RandSeed
        {"--seeds", "0.5,1.5"},
        {"--seeds", "0.5,"},
        {"--seeds", ""},
        {"--variations", "2", "--seeds", "0.5"},
        {"--plot", "plot.txt"},
        {"--plot", "nofolder/plot.png"},
        {"--plot"},
    };
    const std::vector<std::string> before = folder.entries();
    for (const std::vector<std::string> &options : cases) {
        std::string shown;
        std::vector<std::string> args{"--plugin", kProbe};
        for (const std::string &option : options) {
            shown += option + " ";
            args.push_back(option.starts_with("nofolder") || option == "plot.txt" ? path(option)
                                                                                  : option);
        }
        if (options.back() != "--plot") {
            args.push_back(path("in.wav"));
            args.push_back(path("out.wav"));
        }
        SCOPED_TRACE(shown);
        const RunResult result = runProgram(kRenderer, args);
        EXPECT_EQ(result.exitCode, 2);
        const std::vector<std::string> errorLines = lines(result.err);
        ASSERT_EQ(errorLines.size(), 1u) << result.err;
        EXPECT_EQ(errorLines[0].rfind("frakle-render: ", 0), 0u) << errorLines[0];
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(folder.entries(), before);
    }
}

TEST_F(RenderBatchTest, LoopsRunTheSongPositionOnAndCuesSplitBlocks) {
    // The probe's right output is the song position at each block's start.
    writeWav(path("in.wav"), sineWav(2, 1000, 8000, kStereo16));
    const WavData in = readWav(path("in.wav"));
    // 90 bpm at 8 kHz: frame 700 is beat 0.13125, frame 1100 beat 0.20625.
    renderOk({"--plugin", kProbe, "--param", "Beat=1", "--bpm", "90", "--start-beat", "2",
              "--block", "64", "--loop", "2", "--note", "60@0.13125", "--cc", "1=64@0.20625"});
    const WavData out = readWav(path("out.wav"));
    ASSERT_EQ(out.frames(), 2000u);
    std::vector<size_t> blockStarts;
    for (size_t start = 0; start < 2000;) {
        blockStarts.push_back(start);
        size_t end = std::min<size_t>(2000, start + 64);
        for (const size_t cue : {size_t{700}, size_t{1100}}) {
            if (start < cue && cue < end) {
                end = cue;
            }
        }
        start = end;
    }
    size_t block = 0;
    for (size_t frame = 0; frame < 2000; ++frame) {
        if (block + 1 < blockStarts.size() && blockStarts[block + 1] == frame) {
            ++block;
        }
        ASSERT_FLOAT_EQ(out.channels[0][frame], in.channels[0][frame % 1000]) << frame;
        ASSERT_FLOAT_EQ(out.channels[1][frame],
                        static_cast<float>(2.0 + blockStarts[block] * 90.0 / (60.0 * 8000.0)))
            << frame;
    }

    if (frakleBuilt()) {
        drumInput();
        renderOk({}, "once.wav");
        renderOk({"--loop", "2"}, "twice.wav");
        EXPECT_EQ(readWav(path("twice.wav")).frames(), 2 * readWav(path("once.wav")).frames());
    }
}

TEST_F(RenderBatchTest, PatternNotesAndShorthandsSelectTheSamePattern) {
    if (!frakleBuilt()) {
        GTEST_SKIP() << FRAKLE_PLUGIN_PATH << " is not built";
    }
    drumInput();
    renderOk({}, "plain.wav");
    renderOk({"--note", "55@0"}, "note.wav");
    renderOk({"--pattern", "8"}, "pattern.wav");
    const WavData plain = readWav(path("plain.wav"));
    const WavData note = readWav(path("note.wav"));
    EXPECT_NE(note.channels, plain.channels);
    EXPECT_EQ(readWav(path("pattern.wav")).channels, note.channels);

    // Soloing an effect on every event changes the output too.
    renderOk({"--solo", "reverser"}, "solo.wav");
    EXPECT_NE(readWav(path("solo.wav")).channels, plain.channels);
}

TEST_F(RenderBatchTest, VariationsDifferFromEachOtherAndRepeat) {
    if (!frakleBuilt()) {
        GTEST_SKIP() << FRAKLE_PLUGIN_PATH << " is not built";
    }
    drumInput();
    std::vector<std::vector<std::vector<float>>> runs[2];
    for (auto &run : runs) {
        renderOk({"--variations", "3"});
        EXPECT_EQ(folder.entries(),
                  (std::vector<std::string>{"in.wav", "out-1.wav", "out-2.wav", "out-3.wav"}));
        for (const char *name : {"out-1.wav", "out-2.wav", "out-3.wav"}) {
            run.push_back(readWav(path(name)).channels);
        }
    }
    EXPECT_NE(runs[0][0], runs[0][1]);
    EXPECT_NE(runs[0][0], runs[0][2]);
    EXPECT_NE(runs[0][1], runs[0][2]);
    EXPECT_EQ(runs[0], runs[1]);

    // An explicit seed list names the same renders: 0.5 is the middle one of three.
    renderOk({"--seeds", "0.5"}, "seeded.wav");
    EXPECT_EQ(readWav(path("seeded-1.wav")).channels, runs[0][1]);
}

TEST_F(RenderBatchTest, PlotIsAPngOfTheExpectedSize) {
    writeWav(path("in.wav"), sineWav(2, 4000, 8000, kStereo16));
    std::vector<std::string> options{"--plot", path("plot.png")};
    if (!frakleBuilt()) {
        options.insert(options.begin(), {"--plugin", kProbe});
    }
    renderOk(options);
    std::ifstream file(path("plot.png"), std::ios::binary);
    const std::vector<uint8_t> png(std::istreambuf_iterator<char>(file), {});
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    auto bigEndian = [&](size_t at) {
        return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 |
               uint32_t{png[at + 3]};
    };
    EXPECT_EQ(bigEndian(16), 1200u);
    EXPECT_EQ(bigEndian(20), 500u);
}

} // namespace
} // namespace frakle::tools::testing
