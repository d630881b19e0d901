// The test host driving a real plug-in binary, our probe plug-in. (It drives a plug-in from
// Debian in RenderTest.)
#include "tools/testhost/TestHost.h"
#include "tests/tools/ProbePlugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>
#include <thread>

namespace frakle::tools {
namespace {

constexpr const char *kProbePath = FRAKLE_PROBE_PLUGIN_PATH;

const probe::ProbeLog &logOf(TestHost &host) {
    return *reinterpret_cast<const probe::ProbeLog *>(
        host.dispatch(vst2::effVendorSpecific, probe::kLogRequest));
}

// Makes the probe call its host as a plug-in would of its own accord.
intptr_t callFromPlugin(TestHost &host, probe::HostCall call) {
    return host.dispatch(vst2::effVendorSpecific, probe::kCallHostRequest, 0, &call);
}

int probeCloses() {
    // Our own reference keeps the probe library, and so its counter, loaded.
    static void *library = dlopen(kProbePath, RTLD_NOW | RTLD_LOCAL);
    static auto count = reinterpret_cast<int (*)()>(dlsym(library, "frakleProbeCloseCount"));
    return count();
}

TEST(TestHostLoading, RefusesFilesThatAreNoPlugins) {
    EXPECT_THROW(TestHost("/nonexistent/plugin.so"), HostError);
    EXPECT_THROW(TestHost(FRAKLE_SOURCE_DIR "/tools/CMakeLists.txt"), HostError);
    // A real library without either entry point; "main" must not resolve to our own program's.
    try {
        TestHost host("/lib/x86_64-linux-gnu/libm.so.6");
        FAIL() << "libm loaded as a plug-in";
    } catch (const HostError &error) {
        EXPECT_NE(std::string(error.what()).find("neither VSTPluginMain nor main"),
                  std::string::npos)
            << error.what();
    }
}

TEST(TestHostWithProbe, RoutesCallbacksToTheirOwnHost) {
    TestHost first(kProbePath);
    TestHost second(kProbePath);
    for (TestHost *host : {&first, &second}) {
        // Both asked during their entry: with no effect, and with one the host has not seen yet.
        EXPECT_EQ(host->callbackCount(vst2::audioMasterVersion), 1);
        EXPECT_EQ(host->callbackCount(vst2::audioMasterGetSampleRate), 1);
        EXPECT_EQ(logOf(*host).versionAtEntry, TestHost::kHostVersion);
    }

    // Automation from another thread, where no host is being loaded.
    std::thread([&] {
        callFromPlugin(first, {vst2::audioMasterAutomate, 2, 0, nullptr, 0.25f});
        callFromPlugin(second, {vst2::audioMasterAutomate, 3, 0, nullptr, 0.75f});
        callFromPlugin(second, {vst2::audioMasterAutomate, 0, 0, nullptr, 1.0f});
    }).join();
    ASSERT_EQ(first.automations().size(), 1u);
    EXPECT_EQ(first.automations()[0].index, 2);
    EXPECT_EQ(first.automations()[0].value, 0.25f);
    ASSERT_EQ(second.automations().size(), 2u);
    EXPECT_EQ(second.automations()[0].index, 3);
    EXPECT_EQ(second.automations()[1].value, 1.0f);
    second.clearAutomations();
    EXPECT_TRUE(second.automations().empty());
    EXPECT_EQ(first.automations().size(), 1u);

    EXPECT_EQ(callFromPlugin(first, {vst2::audioMasterWantMidi, 0, 1, nullptr, 0.0f}), 0);
    EXPECT_EQ(first.wantMidiCount(), 1);
    EXPECT_EQ(second.wantMidiCount(), 0);
}

TEST(TestHostWithProbe, AnswersHostQueries) {
    TestHost host(kProbePath);
    host.setSampleRate(48000.0);
    host.setBlockSize(128);
    host.timeline().tempo = 93.5;
    EXPECT_EQ(logOf(host).sampleRate, 48000.0f);
    EXPECT_EQ(logOf(host).blockSize, 128);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterVersion, 0, 0, nullptr, 0}), 2400);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterTempoAt, 0, 0, nullptr, 0}), 935000);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0}), 48000);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterGetBlockSize, 0, 0, nullptr, 0}), 128);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterCurrentId, 0, 0, nullptr, 0}), 0);
    char text[256] = {};
    callFromPlugin(host, {vst2::audioMasterGetProductString, 0, 0, text, 0});
    EXPECT_STREQ(text, "frakle-testhost");
    callFromPlugin(host, {vst2::audioMasterGetVendorString, 0, 0, text, 0});
    EXPECT_STREQ(text, "frakle");
    char feature[] = "sendVstMidiEvent";
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterCanDo, 0, 0, feature, 0}), 0);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterIdle, 0, 0, nullptr, 0}), 0);
    EXPECT_EQ(host.callbackCount(vst2::audioMasterGetProductString), 1);
}

TEST(TestHostWithProbe, TimelineMovesOnlyWhilePlaying) {
    TestHost host(kProbePath);
    host.setSampleRate(48000.0);
    host.setParameter(1, 1.0f); // right output shows the song position
    Timeline &timeline = host.timeline();
    timeline.tempo = 150.0;
    timeline.ppqPosition = 2.0;
    timeline.playing = true;
    const double beatsPerFrame = 150.0 / (60.0 * 48000.0);

    StereoSignal input{std::vector<float>(1000, 0.0f), std::vector<float>(1000, 0.0f)};
    StereoSignal output = host.processSignal(input, 300);
    const probe::ProbeLog &log = logOf(host);
    EXPECT_EQ(log.replacingCalls, 4);
    EXPECT_EQ(log.lastFrames, 100);
    for (size_t block = 0; block < 4; ++block) {
        EXPECT_FLOAT_EQ(output.right[block * 300], 2.0 + block * 300 * beatsPerFrame);
        EXPECT_EQ(output.right[block * 300], output.right[std::min<size_t>(block * 300 + 99, 999)]);
    }
    EXPECT_DOUBLE_EQ(timeline.ppqPosition, 2.0 + 1000 * beatsPerFrame);
    EXPECT_EQ(timeline.samplePosition, 1000.0);
    EXPECT_EQ(log.tempo, 150.0);
    EXPECT_EQ(log.timeSampleRate, 48000.0);
    EXPECT_TRUE(log.timeFlags & vst2::kVstTransportPlaying);
    EXPECT_TRUE(log.timeFlags & vst2::kVstPpqPosValid);
    EXPECT_FALSE(log.timeFlags & vst2::kVstTransportChanged);

    timeline.playing = false;
    const double stoppedAt = timeline.ppqPosition;
    output = host.processSignal(input, 512, ProcessMode::Accumulating);
    EXPECT_EQ(log.accumulatingCalls, 2);
    EXPECT_EQ(timeline.ppqPosition, stoppedAt);
    EXPECT_EQ(log.ppqPos, stoppedAt);
    EXPECT_FALSE(log.timeFlags & vst2::kVstTransportPlaying);

    timeline.available = false;
    host.processSignal(input, 1000);
    EXPECT_TRUE(log.timeWasNull);
}

TEST(TestHostWithProbe, PlaysACarelessHost) {
    TestHost host(kProbePath);
    // Rates and tempos no integer holds are answered as the lowest integer.
    host.timeline().sampleRate = std::nan("");
    host.timeline().tempo = 1e300;
    const intptr_t lowest = std::numeric_limits<intptr_t>::min();
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0}), lowest);
    EXPECT_EQ(callFromPlugin(host, {vst2::audioMasterTempoAt, 0, 0, nullptr, 0}), lowest);
    // The song position does not take on what such a rate would make of it.
    host.timeline().playing = true;
    host.timeline().ppqPosition = 4.0;
    host.timeline().advance(512);
    EXPECT_EQ(host.timeline().ppqPosition, 4.0);

    // Pointers and frame counts reach the plug-in as given.
    std::vector<float> left(4, 0.25f), right(4, 0.5f);
    float *io[2] = {left.data(), right.data()};
    host.processRaw(ProcessMode::Replacing, io, io, -5);
    EXPECT_EQ(logOf(host).lastFrames, -5);
    host.processRaw(ProcessMode::Accumulating, io, io, 4);
    EXPECT_EQ(logOf(host).accumulatingCalls, 1);
    EXPECT_EQ(left[3], 0.5f); // 0.25 + 0.25 × gain 1

    // A host that answers its version and nothing else.
    TestHost mute(kProbePath, HostCallback::VersionOnly);
    EXPECT_EQ(logOf(mute).versionAtEntry, TestHost::kHostVersion);
    EXPECT_EQ(callFromPlugin(mute, {vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0}), 0);
    EXPECT_EQ(callFromPlugin(mute, {vst2::audioMasterGetTime, 0, 0, nullptr, 0}), 0);
    EXPECT_EQ(callFromPlugin(mute, {vst2::audioMasterVersion, 0, 0, nullptr, 0}), 2400);
}

TEST(TestHostWithProbe, ProcessReplacesOrAccumulates) {
    TestHost host(kProbePath);
    host.setParameter(0, 1.0f); // gain 2
    const std::vector<float> left{0.1f, 0.2f, 0.3f};
    const std::vector<float> right{-0.1f, -0.2f, -0.3f};
    std::vector<float> outLeft(3, 1.0f);
    std::vector<float> outRight(3, 1.0f);
    host.process(left, right, outLeft, outRight);
    EXPECT_FLOAT_EQ(outLeft[2], 1.6f);
    EXPECT_FLOAT_EQ(outRight[2], 0.4f);
    host.processReplacing(left, right, outLeft, outRight);
    EXPECT_FLOAT_EQ(outLeft[1], 0.4f);
    EXPECT_FLOAT_EQ(outRight[1], -0.4f);

    host.processReplacing({}, {}, {}, {});
    EXPECT_EQ(logOf(host).lastFrames, 0);
    std::vector<float> shorter(2);
    EXPECT_THROW(host.processReplacing(left, right, shorter, outRight), HostError);
    EXPECT_THROW(host.processSignal({left, right}, 0), HostError);
}

TEST(TestHostWithProbe, ClosesEachEffectExactlyOnce) {
    const int before = probeCloses();
    { TestHost host(kProbePath); }
    EXPECT_EQ(probeCloses(), before + 1);
    {
        TestHost host(kProbePath);
        host.close();
        EXPECT_EQ(probeCloses(), before + 2);
        host.close();
        EXPECT_THROW(host.dispatch(vst2::effGetProgram), HostError);
    }
    EXPECT_EQ(probeCloses(), before + 2);
}

} // namespace
} // namespace frakle::tools
