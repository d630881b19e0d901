// Instances as a host with many tracks makes and ends them: twenty in one process, created,
// played, given editors and closed in an interleaved order, some closed with their editor
// still open. No instance disturbs another, and memory returns to where it was (the address
// sanitizer's leak check covers this in its build; the plain build compares the allocator's
// totals). Editors open on the X display when there is one, headless otherwise.
#include "PluginFixture.h"
#include "platform/Platform.h"

#include <algorithm>

namespace frakle::plugin_tests {
namespace {

constexpr int kInstances = 20;
constexpr int32_t kBlock = 256;

std::unique_ptr<tools::TestHost> makeInstance(int k) {
    auto h = std::make_unique<tools::TestHost>(FRAKLE_PLUGIN_PATH);
    h->open();
    h->setSampleRate(k % 2 == 0 ? 44100.0 : 48000.0);
    h->setParameter(2, static_cast<float>(k % 16) / 15.0f); // "Pattern"
    h->resume();
    h->timeline().playing = k % 3 != 0;
    return h;
}

// Plays one block of a steady tone; returns its peak.
float playBlock(tools::TestHost &h) {
    tools::StereoSignal in;
    for (int32_t i = 0; i < kBlock; ++i) {
        const double t = h.timeline().samplePosition + i;
        in.left.push_back(static_cast<float>(0.5 * std::sin(0.03 * t)));
        in.right.push_back(static_cast<float>(0.5 * std::cos(0.05 * t)));
    }
    return peakOf(h.processSignal(in, kBlock));
}

// Two instances set up alike play side by side while a script creates, plays, opens editors
// on, idles and closes up to twenty others around them, in an order drawn from a fixed seed.
// The pair's output stays the same bit for bit: nothing leaks from one instance to another.
TEST(Lifetime, TwentyInstancesComeAndGoInAnyOrderWithAndWithoutEditors) {
    tools::TestHost first(FRAKLE_PLUGIN_PATH), second(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&first, &second}) {
        h->open();
        h->setParameter(0, 0.4f); // "RandSeed"
        h->setParameter(2, 2.0f / 15.0f);
        h->resume();
        h->timeline().playing = true;
    }
    const auto in = drumLoop(44100.0, kBlock);

    std::vector<std::unique_ptr<tools::TestHost>> others(kInstances);
    std::vector<bool> editorOpen(kInstances, false);
    uint32_t seed = 12345;
    const auto draw = [&seed](uint32_t n) {
        seed = seed * 1664525U + 1013904223U;
        return (seed >> 8) % n;
    };
    int created = 0;
    int opens = 0;
    int closedWithEditor = 0;
    int mostAlive = 0;
    for (int op = 0; op < 240; ++op) {
        const auto k = static_cast<size_t>(draw(kInstances));
        auto &h = others[k];
        switch (draw(8)) {
        case 0:
        case 1:
        case 2:
        case 3:
            if (!h) {
                h = makeInstance(created++);
            } else {
                ASSERT_LE(playBlock(*h), 4.0f) << "instance " << k;
            }
            break;
        case 4:
            // An editor costs more to build than an instance: a few of them suffice.
            if (h && !editorOpen[k] && opens < 5) {
                EXPECT_EQ(h->openEditor(0), 1);
                editorOpen[k] = true;
                ++opens;
            }
            break;
        case 5:
            for (size_t j = 0; j < others.size(); ++j) {
                if (others[j] && editorOpen[j]) {
                    others[j]->idleEditor();
                }
            }
            break;
        case 6:
            if (h && editorOpen[k]) {
                h->closeEditor();
                editorOpen[k] = false;
            }
            break;
        default:
            // Closed outright, with its editor open or not.
            closedWithEditor += h && editorOpen[k] ? 1 : 0;
            h.reset();
            editorOpen[k] = false;
            break;
        }
        const auto living = std::count_if(others.begin(), others.end(),
                                          [](const auto &other) { return other != nullptr; });
        mostAlive = std::max(mostAlive, static_cast<int>(living));
        const auto a = first.processSignal(in, kBlock);
        const auto b = second.processSignal(in, kBlock);
        ASSERT_EQ(a.left, b.left) << "operation " << op;
        ASSERT_EQ(a.right, b.right) << "operation " << op;
    }
    EXPECT_EQ(mostAlive, kInstances);
    EXPECT_GT(created, kInstances);
    EXPECT_GT(closedWithEditor, 0);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = false; // the sanitizer's allocator: the heap's totals tell nothing
#else
constexpr bool kOwnAllocator = true;
#endif

// One life of an instance: created, played, its editor opened and idled, closed.
void oneLife(int k) {
    auto h = makeInstance(k);
    h->timeline().playing = true;
    EXPECT_EQ(h->openEditor(0), 1);
    for (int i = 0; i < 8; ++i) {
        playBlock(*h);
        h->idleEditor();
    }
    if (k % 2 == 0) {
        h->closeEditor();
    }
}

// After a first life (which loads the library's lazily built tables), further lives leave the
// allocator's totals where they were, within a margin far below one instance's footprint.
TEST(Lifetime, MemoryReturnsToItsStartingLevel) {
    if (!kOwnAllocator) {
        GTEST_SKIP() << "the sanitizer build checks for leaks itself";
    }
    tools::TestHost keeper(FRAKLE_PLUGIN_PATH); // keeps the library loaded throughout
    oneLife(0);
    oneLife(1);
    const size_t before = platform::allocatedBytes();
    for (int k = 0; k < 6; ++k) {
        oneLife(k);
    }
    const size_t after = platform::allocatedBytes();
    EXPECT_LT(after, before + 64 * 1024) << before << " bytes before, " << after << " after";
}

} // namespace
} // namespace frakle::plugin_tests
