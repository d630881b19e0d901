// frakle-render and frakle-demo-loop run as a user would run them.
#include "tests/tools/ProbePlugin.h"
#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace frakle::tools::testing {
namespace {

const std::filesystem::path kRenderer = FRAKLE_BUILD_DIR "/frakle-render";
const std::filesystem::path kDemoLoop = FRAKLE_BUILD_DIR "/frakle-demo-loop";
const std::string kProbe = FRAKLE_PROBE_PLUGIN_PATH;
const std::string kBitcrush = "/usr/lib/vst/MaBitcrush-vst.so";
constexpr int kStereo16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class RenderTest : public ::testing::Test {
protected:
    // Writes a stereo 16-bit sine input and returns its path.
    std::string input(size_t frames = 4410, int rate = 44100) {
        const auto path = folder / "in.wav";
        writeWav(path, sineWav(2, frames, rate, kStereo16));
        return path.string();
    }

    RunResult render(std::vector<std::string> args) { return runProgram(kRenderer, args); }

    // Renders in.wav to out.wav with the given options and returns the output.
    WavData renderOk(std::vector<std::string> args) {
        args.push_back((folder / "in.wav").string());
        args.push_back(out());
        const RunResult result = render(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        return readWav(out());
    }

    std::string out() const { return (folder / "out.wav").string(); }
    std::string path(const std::string &name) const { return (folder / name).string(); }

    ScratchFolder folder;
};

void expectSingleError(const RunResult &result, const std::string &program) {
    EXPECT_NE(result.exitCode, 0);
    const std::vector<std::string> errorLines = lines(result.err);
    ASSERT_EQ(errorLines.size(), 1u) << result.err;
    EXPECT_EQ(errorLines[0].rfind(program + ": ", 0), 0u) << errorLines[0];
    EXPECT_EQ(result.out, "");
}

TEST_F(RenderTest, RendersThroughDebianPlugin) {
    if (!std::filesystem::exists(kBitcrush)) {
        GTEST_SKIP() << kBitcrush << " is not installed";
    }
    input(22050, 22050);
    const RunResult result = render(
        {"--plugin", kBitcrush, "--param", "resolution=0.2", "--bpm", "96", path("in.wav"), out()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char *expected : {"MaBitcrush", "in.wav", "out.wav", "22050 Hz", "96 bpm",
                                 "22050 frames (1.000 s)", "peak", "RMS", "dBFS"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
    const WavData output = readWav(out());
    EXPECT_EQ(output.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(output.sampleRate, 22050);
    ASSERT_EQ(output.channels.size(), 2u);
    EXPECT_EQ(output.frames(), 22050u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(RenderTest, RendersThroughFrakleByDefault) {
    if (!std::filesystem::exists(FRAKLE_PLUGIN_PATH)) {
        GTEST_SKIP() << FRAKLE_PLUGIN_PATH << " is not built";
    }
    input(44100);
    const WavData output = renderOk({"--bpm", "128", "--start-beat", "4"});
    EXPECT_EQ(output.frames(), 44100u);
    // The same render gives the same file, byte for byte: no chunk carries the time of writing.
    const auto bytesOf = [](const std::string &file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string first = bytesOf(out());
    EXPECT_EQ(first.find("PEAK"), std::string::npos);
    renderOk({"--bpm", "128", "--start-beat", "4"});
    EXPECT_EQ(bytesOf(out()), first);
    ASSERT_EQ(output.channels.size(), 2u);
    for (const auto &channel : output.channels) {
        for (const float sample : channel) {
            ASSERT_TRUE(std::isfinite(sample));
        }
    }

    // Its own preset survives a save and a load.
    const RunResult saved =
        render({"--save-preset", path("frakle.fxp"), path("in.wav"), path("a.wav")});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded = render({"--preset", path("frakle.fxp"), "--save-preset",
                                     path("again.fxp"), path("in.wav"), path("b.wav")});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
}

TEST_F(RenderTest, TransportPlaysFromTheStartBeatInBlocks) {
    input(1000, 8000);
    const WavData output = renderOk({"--plugin", kProbe, "--param", "Beat=1", "--param", "Gain=0.5",
                                     "--bpm", "90", "--start-beat", "8", "--block", "64"});
    ASSERT_EQ(output.frames(), 1000u);
    const WavData in = readWav(path("in.wav"));
    for (size_t frame = 0; frame < 1000; ++frame) {
        const double block = static_cast<double>(frame / 64);
        ASSERT_FLOAT_EQ(output.channels[1][frame], 8.0 + block * 64 * 90.0 / (60.0 * 8000.0))
            << "frame " << frame;
        ASSERT_FLOAT_EQ(output.channels[0][frame], in.channels[0][frame]) << "frame " << frame;
    }
}

TEST_F(RenderTest, AcceptsMonoAnd24BitInput) {
    for (const int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                             SF_FORMAT_WAV | SF_FORMAT_FLOAT}) {
        SCOPED_TRACE(format);
        const WavData mono = sineWav(1, 3000, 32000, format);
        writeWav(path("in.wav"), mono);
        const WavData output = renderOk({"--plugin", kProbe});
        ASSERT_EQ(output.channels.size(), 2u);
        ASSERT_EQ(output.frames(), 3000u);
        EXPECT_EQ(output.sampleRate, 32000);
        const WavData in = readWav(path("in.wav"));
        for (size_t frame = 0; frame < 3000; ++frame) {
            ASSERT_EQ(output.channels[0][frame], in.channels[0][frame]);
            ASSERT_EQ(output.channels[1][frame], in.channels[0][frame]);
        }
    }
}

TEST_F(RenderTest, PresetsRoundTripAsChunksAndFxp) {
    input(500, 8000);
    const float peakIn = 0.5f;
    auto peakOf = [](const WavData &data) {
        float peak = 0.0f;
        for (const float sample : data.channels[0]) {
            peak = std::max(peak, std::fabs(sample));
        }
        return peak;
    };
    for (const std::string name : {"probe.fxp", "probe.chunk"}) {
        SCOPED_TRACE(name);
        const std::string preset = path(name);
        // Gain 0.25 halves the signal; the preset must carry that to the next render.
        renderOk({"--plugin", kProbe, "--param", "Gain=0.25", "--save-preset", preset});
        const WavData output = renderOk({"--plugin", kProbe, "--preset", preset});
        EXPECT_NEAR(peakOf(output), peakIn / 2, 0.01);
    }

    std::ifstream file(path("probe.fxp"), std::ios::binary);
    const std::vector<uint8_t> fxp(std::istreambuf_iterator<char>(file), {});
    ASSERT_GE(fxp.size(), 60u);
    auto bigEndian = [&](size_t at) {
        return static_cast<int32_t>(uint32_t{fxp[at]} << 24 | uint32_t{fxp[at + 1]} << 16 |
                                    uint32_t{fxp[at + 2]} << 8 | uint32_t{fxp[at + 3]});
    };
    EXPECT_EQ(bigEndian(0), vst2::kCcnKMagic);
    EXPECT_EQ(bigEndian(4), static_cast<int32_t>(fxp.size() - 8));
    EXPECT_EQ(bigEndian(8), vst2::kFxChunkProgramMagic);
    EXPECT_EQ(bigEndian(12), 1);
    EXPECT_EQ(bigEndian(16), probe::kUniqueId);
    EXPECT_EQ(bigEndian(20), 3); // the probe's version
    EXPECT_EQ(bigEndian(56), static_cast<int32_t>(fxp.size() - 60));
}

TEST_F(RenderTest, ParameterListFxpRoundTripsForPluginsWithoutChunks) {
    if (!std::filesystem::exists(kBitcrush)) {
        GTEST_SKIP() << kBitcrush << " is not installed";
    }
    input(2000);
    const WavData direct = renderOk(
        {"--plugin", kBitcrush, "--param", "resolution=0.1", "--save-preset", path("crush.fxp")});
    const WavData fromPreset = renderOk({"--plugin", kBitcrush, "--preset", path("crush.fxp")});
    EXPECT_EQ(direct.channels, fromPreset.channels);
    const WavData plain = renderOk({"--plugin", kBitcrush});
    EXPECT_NE(direct.channels, plain.channels);

    const RunResult raw = render(
        {"--plugin", kBitcrush, "--save-preset", path("crush.chunk"), path("in.wav"), out()});
    expectSingleError(raw, "frakle-render");
}

TEST_F(RenderTest, EveryErrorIsOneLineAndWritesNothing) {
    input(100);
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

    const std::string in = path("in.wav");
    const std::vector<std::vector<std::string>> cases{
        {},
        {in},
        {path("missing.wav"), "OUT"},
        {path("notes.txt"), "OUT"},
        {path("8bit.wav"), "OUT"},
        {path("double.wav"), "OUT"},
        {path("quad.wav"), "OUT"},
        {path("in.aiff"), "OUT"},
        {"--frobnicate", in, "OUT"},
        {"--bpm", "fast", in, "OUT"},
        {"--bpm", "0", in, "OUT"},
        {"--bpm", "-120", in, "OUT"},
        {"--start-beat", "1e999", in, "OUT"},
        {"--block", "0", in, "OUT"},
        {"--block", "65537", in, "OUT"},
        {"--block", "12.5", in, "OUT"},
        {in, "OUT", "--block"},
        {"--param", "Gain", in, "OUT"},
        {"--param", "Gain=1.01", in, "OUT"},
        {"--param", "Gain=-0.1", in, "OUT"},
        {"--param", "Gain=half", in, "OUT"},
        {"--param", "Volume=0.5", in, "OUT"},
        {"--param", "Spare=0.5", in, "OUT"},
        {"--param", "4=0.5", in, "OUT"},
        {"--preset", path("missing.fxp"), in, "OUT"},
        {"--preset", path("bad.fxp"), in, "OUT"},
        {"--preset", path("short.fxp"), in, "OUT"},
        {"--preset", path("foreign.fxp"), in, "OUT"},
        {"--preset", path("garbage.chunk"), in, "OUT"},
        {"--save-preset", path("nofolder/p.fxp"), in, "OUT"},
        {"--plugin", path("nothing.so"), in, "OUT"},
        {"--plugin", path("notes.txt"), in, "OUT"},
        {in, path("nofolder/out.wav")},
    };
    for (std::vector<std::string> args : cases) {
        std::string shown;
        for (std::string &arg : args) {
            shown += arg + " ";
            if (arg == "OUT") {
                arg = out();
            }
        }
        SCOPED_TRACE(shown);
        const bool pluginGiven = std::find(args.begin(), args.end(), "--plugin") != args.end();
        if (!pluginGiven) {
            args.insert(args.begin(), {"--plugin", kProbe});
        }
        expectSingleError(render(args), "frakle-render");
        EXPECT_FALSE(std::filesystem::exists(out()));
    }
    EXPECT_EQ(folder.entries(), inputs);

    const RunResult shared = render({"--plugin", kProbe, "--param", "Spare=1", in, out()});
    EXPECT_NE(shared.err.find("indices 2, 3"), std::string::npos) << shared.err;

    // An existing output stays as it was.
    std::ofstream(out()) << "keep";
    expectSingleError(render({"--plugin", kProbe, "--bpm", "x", in, out()}), "frakle-render");
    std::ifstream kept(out());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
}

TEST_F(RenderTest, HelpDescribesOutputAndExitStatus) {
    const RunResult result = render({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("32-bit float stereo"), std::string::npos);
    EXPECT_NE(result.out.find("status 2"), std::string::npos);
    EXPECT_EQ(result.err, "");
}

TEST(DemoLoopTest, WritesTheLoopLengthDeterministically) {
    ScratchFolder folder;
    const RunResult first = runProgram(
        kDemoLoop, {(folder / "a.wav").string(), "--bpm", "100", "--bars", "2", "--rate", "22050"});
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

    ASSERT_EQ(runProgram(kDemoLoop, {(folder / "b.wav").string(), "--bpm", "100", "--bars", "2",
                                     "--rate", "22050"})
                  .exitCode,
              0);
    EXPECT_EQ(readWav(folder / "b.wav").channels, loop.channels);

    ASSERT_EQ(runProgram(kDemoLoop, {(folder / "c.wav").string()}).exitCode, 0);
    EXPECT_EQ(readWav(folder / "c.wav").frames(), 4u * 4 * 22050); // 4 bars at 120 bpm, 44.1 kHz

    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{},
                                               {(folder / "d.wav").string(), "--bpm", "0"},
                                               {(folder / "d.wav").string(), "--bars", "x"},
                                               {(folder / "d.wav").string(), "--loud"}}) {
        expectSingleError(runProgram(kDemoLoop, args), "frakle-demo-loop");
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "d.wav"));
}

} // namespace
} // namespace frakle::tools::testing
