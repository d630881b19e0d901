// The audio calls as a host makes them: accumulating against replacing. (Odd blocks, missing
// buffers and the extremes of rate and tempo are played in HostileTimelineTest; the exact output
// of each effect soloed and global, which differs from the dry loop's, in GoldenOutputTest.)
#include "PluginFixture.h"

namespace frakle::plugin_tests {
namespace {

TEST(Audio, AccumulatingProcessAddsWhatReplacingWrites) {
    tools::TestHost one(FRAKLE_PLUGIN_PATH), other(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&one, &other}) {
        h->timeline().playing = true;
        h->resume();
    }
    const auto in = drumLoop(44100.0, 3000);
    std::vector<float> addL(3000, 1.0f), addR(3000, -1.0f), outL(3000), outR(3000);
    one.process(in.left, in.right, addL, addR);
    other.processReplacing(in.left, in.right, outL, outR);
    for (size_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(addL[i], 1.0f + outL[i]) << i;
        ASSERT_EQ(addR[i], -1.0f + outR[i]) << i;
    }
}

} // namespace
} // namespace frakle::plugin_tests
