// The retrigger, reverser and stretcher recompute their timing when the recompute flag is up.
// A parameter change can land between the engine reading the sample's parameters and the effect
// taking the flag: the new timing must be made of the new value, not the one read before.
#include "EffectTestSupport.h"
#include "effects/Retrigger.h"
#include "effects/Reverser.h"
#include "effects/Stretcher.h"

#include <gtest/gtest.h>

namespace frakle::effects {
namespace {

// The program as it is after the change: every parameter at `now`, "RevRight" at 1.
EffectParams changedParams(const void *owner, int32_t /*effect*/) {
    const float now = *static_cast<const float *>(owner);
    return {now, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
}

struct Case {
    const char *effect;
    int32_t (*timing)(EffectBench &b, const EffectParams &read);
    int32_t before; // made of the value read with the sample (0)
    int32_t after;  // made of the value stored since (0.5 or 1)
    float changed;
};

const Case kCases[] = {
    {"retrigger slice",
     [](EffectBench &b, const EffectParams &read) {
         RetriggerState s;
         RetriggerStart(s, b.c, {0.0f, 0.0f});
         RetriggerProcess(s, b.c, {0.0f, 0.0f}, read);
         return s.sliceLength;
     },
     11025, 689, 1.0f}, // one beat / 2 or / 32 slices
    {"stretcher grain",
     [](EffectBench &b, const EffectParams &read) {
         StretcherState s;
         StretcherStart(s, b.c, {0.0f, 0.0f});
         StretcherProcess(s, b.c, {0.0f, 0.0f}, read);
         return s.grainLength;
     },
     11025, 344, 1.0f}, // one beat / 2 or / 64
    {"reverser loop start",
     [](EffectBench &b, const EffectParams &read) {
         ReverserState s;
         ReverserStart(s, b.c, {0.0f, 0.0f});
         ReverserProcess(s, b.c, {0.0f, 0.0f}, read);
         return s.start;
     },
     0, 2756, 0.5f}, // 0 or half of the 5512-sample step
};

TEST(Recompute, TimingIsMadeOfTheParametersAsTheyAreWhenTheFlagIsTaken) {
    for (const Case &k : kCases) {
        for (const bool changedSince : {false, true}) {
            EffectBench b;
            const float stored = changedSince ? k.changed : 0.0f;
            b.c.readParams = &changedParams;
            b.c.paramsOwner = &stored;
            const EffectParams read{0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
            EXPECT_EQ(k.timing(b, read), changedSince ? k.after : k.before)
                << k.effect << (changedSince ? ", changed since" : "");
            EXPECT_FALSE(b.recompute.load()) << k.effect;
        }
    }
}

} // namespace
} // namespace frakle::effects
