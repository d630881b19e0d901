// frakle-render and frakle-demo-loop run as a user would run them: plug-ins, input formats,
// presets, looping, MIDI cues, shorthands, variations, the plot, and every usage error.
#include "tests/tools/ProbePlugin.h"
#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

namespace frakle::tools::testing {
namespace {

const std::filesystem::path kRenderer = FRAKLE_BUILD_DIR "/frakle-render";
const std::filesystem::path kDemoLoop = FRAKLE_BUILD_DIR "/frakle-demo-loop";
const std::string kProbe = FRAKLE_PROBE_PLUGIN_PATH;
const std::string kBitcrush = "/usr/lib/vst/MaBitcrush-vst.so";
constexpr int kStereo16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

void expectSingleError(const RunResult &result, const std::string &program) {
    EXPECT_NE(result.exitCode, 0);
    const std::vector<std::string> errorLines = lines(result.err);
    ASSERT_EQ(errorLines.size(), 1u) << result.err;
    EXPECT_EQ(errorLines[0].rfind(program + ": ", 0), 0u) << errorLines[0];
    EXPECT_EQ(result.out, "");
}

std::vector<uint8_t> bytesOf(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

uint32_t bigEndian(const std::vector<uint8_t> &b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

class RenderTest : public ::testing::Test {
protected:
    std::string path(const std::string &name) const { return (folder / name).string(); }
    // A stereo 16-bit sine as in.wav.
    void input(size_t frames = 4410, int rate = 44100) {
        writeWav(path("in.wav"), sineWav(2, frames, rate, kStereo16));
    }
    // One bar of the demo drum loop at 120 bpm as in.wav, for the plug-in proper.
    void drumInput() {
        const RunResult made = runProgram(
            kDemoLoop, {path("in.wav"), "--bpm", "120", "--bars", "1", "--rate", "22050"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    RunResult render(std::vector<std::string> args) { return runProgram(kRenderer, args); }
    // Renders in.wav to `output` with the given options; the run must print no error.
    WavData renderOk(std::vector<std::string> args, const std::string &output = "out.wav") {
        args.push_back(path("in.wav"));
        args.push_back(path(output));
        const RunResult result = render(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        return std::filesystem::exists(path(output)) ? readWav(path(output)) : WavData{};
    }

    ScratchFolder folder;
};

TEST_F(RenderTest, RendersThroughDebianPlugin) {
    if (!std::filesystem::exists(kBitcrush)) {
        GTEST_SKIP() << kBitcrush << " is not installed";
    }
    input(22050, 22050);
    const RunResult result = render({"--plugin", kBitcrush, "--param", "resolution=0.2", "--bpm",
                                     "96", path("in.wav"), path("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char *expected : {"MaBitcrush", "in.wav", "out.wav", "22050 Hz", "96 bpm",
                                 "22050 frames (1.000 s)", "peak", "RMS", "dBFS"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
    const WavData output = readWav(path("out.wav"));
    EXPECT_EQ(output.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(output.sampleRate, 22050);
    ASSERT_EQ(output.channels.size(), 2u);
    EXPECT_EQ(output.frames(), 22050u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav", "out.wav"}));

    // A plug-in without chunks saves its parameter list; the preset gives the same render.
    const WavData direct = renderOk(
        {"--plugin", kBitcrush, "--param", "resolution=0.1", "--save-preset", path("crush.fxp")});
    EXPECT_EQ(renderOk({"--plugin", kBitcrush, "--preset", path("crush.fxp")}).channels,
              direct.channels);
    EXPECT_NE(renderOk({"--plugin", kBitcrush}).channels, direct.channels);
    expectSingleError(render({"--plugin", kBitcrush, "--save-preset", path("crush.chunk"),
                              path("in.wav"), path("out.wav")}),
                      "frakle-render");
}

TEST_F(RenderTest, AcceptsMonoAnd24BitInput) {
    for (const int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                             SF_FORMAT_WAV | SF_FORMAT_FLOAT}) {
        SCOPED_TRACE(format);
        writeWav(path("in.wav"), sineWav(1, 3000, 32000, format));
        const WavData output = renderOk({"--plugin", kProbe});
        ASSERT_EQ(output.channels.size(), 2u);
        ASSERT_EQ(output.frames(), 3000u);
        EXPECT_EQ(output.sampleRate, 32000);
        const WavData in = readWav(path("in.wav"));
        EXPECT_EQ(output.channels[0], in.channels[0]);
        EXPECT_EQ(output.channels[1], in.channels[0]);
    }
}

TEST_F(RenderTest, PresetsRoundTripAsChunksAndFxp) {
    input(500, 8000);
    for (const std::string name : {"probe.fxp", "probe.chunk"}) {
        SCOPED_TRACE(name);
        // Gain 0.25 halves the signal; the preset must carry that to the next render.
        renderOk({"--plugin", kProbe, "--param", "Gain=0.25", "--save-preset", path(name)});
        const WavData output = renderOk({"--plugin", kProbe, "--preset", path(name)});
        float peak = 0.0f;
        for (const float sample : output.channels[0]) {
            peak = std::max(peak, std::fabs(sample));
        }
        EXPECT_NEAR(peak, 0.25, 0.01);
    }
    const std::vector<uint8_t> fxp = bytesOf(path("probe.fxp"));
    ASSERT_GE(fxp.size(), 60u);
    const uint32_t header[] = {
        static_cast<uint32_t>(vst2::kCcnKMagic),           static_cast<uint32_t>(fxp.size() - 8),
        static_cast<uint32_t>(vst2::kFxChunkProgramMagic), 1,
        static_cast<uint32_t>(probe::kUniqueId),           3}; // 3: its version
    for (size_t i = 0; i < std::size(header); ++i) {
        EXPECT_EQ(bigEndian(fxp, 4 * i), header[i]) << "word " << i;
    }
    EXPECT_EQ(bigEndian(fxp, 56), fxp.size() - 60);
}

TEST_F(RenderTest, EveryUsageErrorIsOneLineAndWritesNothing) {
    input(1000, 8000);
    std::ofstream(path("notes.txt")) << "not audio\n";
    writeWav(path("8bit.wav"), sineWav(1, 100, 8000, SF_FORMAT_WAV | SF_FORMAT_PCM_U8));
    writeWav(path("double.wav"), sineWav(2, 100, 8000, SF_FORMAT_WAV | SF_FORMAT_DOUBLE));
    writeWav(path("quad.wav"), sineWav(4, 100, 8000, kStereo16));
    writeWav(path("in.aiff"), sineWav(2, 100, 8000, SF_FORMAT_AIFF | SF_FORMAT_PCM_16));
    std::ofstream(path("bad.fxp"), std::ios::binary) << "CcnK" << std::string(60, '\x7f');
    std::ofstream(path("short.fxp"), std::ios::binary) << "CcnK" << std::string(10, '\0');
    // A well-formed program for another plug-in ID.
    std::string foreign = "CcnK";
    foreign += std::string{0, 0, 0, 56} + "FPCh" + std::string{0, 0, 0, 1} + "Xxxx";
    foreign += std::string(8 + 28, '\0') + std::string{0, 0, 0, 4} + "Prb1";
    std::ofstream(path("foreign.fxp"), std::ios::binary) << foreign;
    std::ofstream(path("garbage.chunk"), std::ios::binary) << "garbage";
    const std::vector<std::string> inputs = folder.entries();

    // One case per kind of error, grouped; D/ stands for the scratch folder, OUT for D/out.wav;
    // the probe plays unless a case names a plug-in. The probe has no Pattern, solo switches or
    // RandSeed.
    const char *const groups[] = {
        "; D/in.wav; --frobnicate D/in.wav OUT; D/in.wav OUT --block; D/in.wav D/nofolder/out.wav",
        "D/missing.wav OUT; D/notes.txt OUT; D/8bit.wav OUT; D/double.wav OUT; D/quad.wav OUT",
        "D/in.aiff OUT; --bpm fast; --bpm 0; --start-beat 1e999; --block 0; --block 12.5",
        "--param Gain; --param Gain=1.01; --param Gain=half; --param Volume=0.5; --param Spare=0.5",
        "--param 4=0.5; --preset D/missing.fxp; --preset D/bad.fxp; --preset D/short.fxp",
        "--preset D/foreign.fxp; --preset D/garbage.chunk; --save-preset D/nofolder/p.fxp",
        "--plugin D/nothing.so; --plugin D/notes.txt; --loop 0; --loop 1001; --loop two",
        "--note 128@0; --note 55; --note 55@-1; --note @1; --note 55@100; --loop 2 --note 55@0.5",
        "--cc 7=1; --cc 128=1@0; --cc 7=x@0; --pattern 0; --pattern 17; --pattern 8",
        "--solo echo; --solo reverser; --global Delay; --variations 1001; --variations 3",
        "--seeds 0.5,1.5; --seeds 0.5,; --seeds ''; --variations 2 --seeds 0.5",
        "--plot D/plot.txt; --plot D/nofolder/plot.png; D/in.wav OUT --plot"};
    std::vector<std::string> cases;
    for (const std::string group : groups) {
        std::istringstream parts(group);
        for (std::string line; std::getline(parts, line, ';');) {
            cases.push_back(line.substr(line.starts_with(" ") ? 1 : 0));
        }
    }
    for (const std::string &line : cases) {
        SCOPED_TRACE(line);
        std::vector<std::string> args{"--plugin", kProbe};
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            word = word == "OUT" ? path("out.wav") : word == "''" ? "" : word;
            args.push_back(word.starts_with("D/") ? path(word.substr(2)) : word);
        }
        if (line.starts_with("--") && line.find("D/in.wav") == std::string::npos) {
            args.push_back(path("in.wav"));
            args.push_back(path("out.wav"));
        }
        if (line.starts_with("--plugin")) {
            args.erase(args.begin(), args.begin() + 2);
        }
        expectSingleError(render(args), "frakle-render");
        EXPECT_EQ(folder.entries(), inputs);
    }

    const RunResult shared =
        render({"--plugin", kProbe, "--param", "Spare=1", path("in.wav"), path("out.wav")});
    EXPECT_NE(shared.err.find("indices 2, 3"), std::string::npos) << shared.err;
    // An existing output stays as it was.
    std::ofstream(path("out.wav")) << "keep";
    expectSingleError(render({"--plugin", kProbe, "--bpm", "x", path("in.wav"), path("out.wav")}),
                      "frakle-render");
    EXPECT_EQ(bytesOf(path("out.wav")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    const RunResult help = render({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("32-bit float stereo"), std::string::npos);
    EXPECT_NE(help.out.find("status 2"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST_F(RenderTest, LoopsRunTheSongPositionOnAndCuesSplitBlocks) {
    // The probe's right output is the song position at each block's start.
    input(1000, 8000);
    const WavData in = readWav(path("in.wav"));
    // 90 bpm at 8 kHz: frame 700 is beat 0.13125, frame 1100 beat 0.20625.
    const WavData out =
        renderOk({"--plugin", kProbe, "--param", "Beat=1", "--bpm", "90", "--start-beat", "2",
                  "--block", "64", "--loop", "2", "--note", "60@0.13125", "--cc", "1=64@0.20625"});
    ASSERT_EQ(out.frames(), 2000u);
    size_t blockStart = 0;
    for (size_t frame = 0; frame < 2000; ++frame) {
        if (frame == blockStart + 64 || frame == 700 || frame == 1100) {
            blockStart = frame;
        }
        ASSERT_FLOAT_EQ(out.channels[0][frame], in.channels[0][frame % 1000]) << frame;
        ASSERT_FLOAT_EQ(out.channels[1][frame],
                        static_cast<float>(2.0 + blockStart * 90.0 / (60.0 * 8000.0)))
            << frame;
    }
    drumInput();
    const size_t once = renderOk({}, "once.wav").frames();
    EXPECT_EQ(renderOk({"--loop", "2"}, "twice.wav").frames(), 2 * once);
}

TEST_F(RenderTest, PatternNotesAndShorthandsSelectTheSamePattern) {
    drumInput();
    const WavData plain = renderOk({}, "plain.wav");
    const WavData note = renderOk({"--note", "55@0"}, "note.wav");
    EXPECT_NE(note.channels, plain.channels);
    EXPECT_EQ(renderOk({"--pattern", "8"}, "pattern.wav").channels, note.channels);
    // Soloing an effect on every event changes the output too.
    EXPECT_NE(renderOk({"--solo", "reverser"}, "solo.wav").channels, plain.channels);
}

TEST_F(RenderTest, VariationsDifferFromEachOtherAndRepeat) {
    drumInput();
    std::vector<std::vector<std::vector<float>>> runs[2];
    std::string bytes[2]; // the same render is the same file: no chunk carries the time
    for (int i = 0; i < 2; ++i) {
        renderOk({"--variations", "3"});
        EXPECT_EQ(folder.entries(),
                  (std::vector<std::string>{"in.wav", "out-1.wav", "out-2.wav", "out-3.wav"}));
        for (const char *name : {"out-1.wav", "out-2.wav", "out-3.wav"}) {
            runs[i].push_back(readWav(path(name)).channels);
        }
        std::ifstream in(path("out-1.wav"), std::ios::binary);
        bytes[i].assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(bytes[0], bytes[1]);
    EXPECT_EQ(bytes[0].find("PEAK"), std::string::npos);
    EXPECT_NE(runs[0][0], runs[0][1]);
    EXPECT_NE(runs[0][0], runs[0][2]);
    EXPECT_NE(runs[0][1], runs[0][2]);
    EXPECT_EQ(runs[0], runs[1]);
    // An explicit seed list names the same renders: 0.5 is the middle one of three.
    renderOk({"--seeds", "0.5"}, "seeded.wav");
    EXPECT_EQ(readWav(path("seeded-1.wav")).channels, runs[0][1]);
}

TEST_F(RenderTest, PlotIsAPngOfTheExpectedSize) {
    input(4000, 8000);
    renderOk({"--plot", path("plot.png")});
    const std::vector<uint8_t> png = bytesOf(path("plot.png"));
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(bigEndian(png, 16), 1200u);
    EXPECT_EQ(bigEndian(png, 20), 500u);
}

TEST(DemoLoopTest, WritesTheLoopLengthDeterministically) {
    ScratchFolder folder;
    const auto make = [&](const std::string &name, std::vector<std::string> args) {
        args.insert(args.begin(), (folder / name).string());
        return runProgram(kDemoLoop, args);
    };
    const RunResult first = make("a.wav", {"--bpm", "100", "--bars", "2", "--rate", "22050"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const WavData loop = readWav(folder / "a.wav");
    EXPECT_EQ(loop.frames(), 2u * 4 * 60 * 22050 / 100); // 2 bars of 4 beats at 0.6 s
    EXPECT_EQ(loop.sampleRate, 22050);
    ASSERT_EQ(loop.channels.size(), 2u);
    float peak = 0.0f;
    for (const auto &channel : loop.channels) {
        for (const float sample : channel) {
            peak = std::max(peak, std::fabs(sample));
        }
    }
    EXPECT_NEAR(20.0 * std::log10(peak), -3.0, 0.1);
    ASSERT_EQ(make("b.wav", {"--bpm", "100", "--bars", "2", "--rate", "22050"}).exitCode, 0);
    EXPECT_EQ(readWav(folder / "b.wav").channels, loop.channels);
    ASSERT_EQ(make("c.wav", {}).exitCode, 0);
    EXPECT_EQ(readWav(folder / "c.wav").frames(), 4u * 4 * 22050); // 4 bars at 120 bpm, 44.1 kHz
    expectSingleError(runProgram(kDemoLoop, {}), "frakle-demo-loop");
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--bpm", "0"}, {"--bars", "x"}, {"--loud"}}) {
        expectSingleError(make("d.wav", args), "frakle-demo-loop");
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "d.wav"));
}

} // namespace
} // namespace frakle::tools::testing
