// The test host where the plug-in tests do not reach it: files that are no plug-ins, a careless
// host's raw calls and values, and closing. It drives our probe plug-in (and a plug-in from
// Debian in RenderTest).
#include "tools/testhost/TestHost.h"
#include "tests/tools/ProbePlugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace frakle::tools {
namespace {

constexpr const char *kProbePath = FRAKLE_PROBE_PLUGIN_PATH;

const probe::ProbeLog &logOf(TestHost &host) {
    return *reinterpret_cast<const probe::ProbeLog *>(
        host.dispatch(vst2::effVendorSpecific, probe::kLogRequest));
}

// Makes the probe call its host as a plug-in would of its own accord.
intptr_t callFromPlugin(TestHost &host, int32_t opcode, int32_t index = 0, float opt = 0.0f) {
    probe::HostCall call{opcode, index, 0, nullptr, opt};
    return host.dispatch(vst2::effVendorSpecific, probe::kCallHostRequest, 0, &call);
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

TEST(TestHostWithProbe, PlaysACarelessHostAndClosesOnce) {
    static void *library = dlopen(kProbePath, RTLD_NOW | RTLD_LOCAL); // keeps the counter loaded
    const auto closes = reinterpret_cast<int (*)()>(dlsym(library, "frakleProbeCloseCount"));
    const int before = closes();
    {
        TestHost host(kProbePath);
        // Rates and tempos no integer holds are answered as the lowest integer.
        host.timeline().sampleRate = std::nan("");
        host.timeline().tempo = 1e300;
        const intptr_t lowest = std::numeric_limits<intptr_t>::min();
        EXPECT_EQ(callFromPlugin(host, vst2::audioMasterGetSampleRate), lowest);
        EXPECT_EQ(callFromPlugin(host, vst2::audioMasterTempoAt), lowest);
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
        // Buffers that do not match are refused.
        std::vector<float> shorter(2);
        EXPECT_THROW(host.processReplacing(left, right, shorter, right), HostError);
        EXPECT_THROW(host.processSignal({left, right}, 0), HostError);

        // Closing twice closes once; a closed effect takes no calls.
        host.close();
        host.close();
        EXPECT_EQ(closes(), before + 1);
        EXPECT_THROW(host.dispatch(vst2::effGetProgram), HostError);
    }
    EXPECT_EQ(closes(), before + 1);
    { TestHost host(kProbePath); }
    EXPECT_EQ(closes(), before + 2);
}

} // namespace
} // namespace frakle::tools
