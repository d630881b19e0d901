// The audio path allocates nothing: every allocation in this program is counted while blocks,
// parameter changes, pattern switches and MIDI run the way a host's audio thread runs them.
#include "state/uPlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
} // namespace

// The counting allocator hands out malloc'd memory; its deletes give it back the same way.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t size) {
    if (counting.load()) {
        allocations.fetch_add(1);
    }
    if (void *p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace frakle::state {
namespace {

intptr_t quietHost(vst2::AEffect *, int32_t opcode, int32_t, intptr_t, void *, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

TEST(Realtime, AudioParametersAndMidiAllocateNothing) {
    APlugin plugin(&quietHost);
    std::vector<float> l(512, 0.3f), r(512, -0.3f);
    float *in[2] = {l.data(), r.data()};
    std::vector<float> ol(512), orr(512);
    float *out[2] = {ol.data(), orr.data()};
    engine::BlockTiming timing{44100.0, 120.0, true, 0.0, true};
    plugin.engine().processBlock(timing, in, out, 512, false); // first block sizes everything

    counting = true;
    for (int block = 0; block < 400; ++block) {
        timing.ppqPosition = block * 512 * 2.0 / 44100.0;
        plugin.setParameter(1, 0.5f + 0.001f * static_cast<float>(block % 100)); // pool rebuilds
        plugin.setParameter(37 + 7 * (block % 9), 0.3f);
        plugin.setParameter(39 + 7 * (block % 9), 0.7f); // a filter glides
        plugin.setParameter(2, static_cast<float>(block % 16) / 15.0f);
        const host::MidiMessage midi[2] = {{0, {0x90, static_cast<uint8_t>(72 + block % 9), 100}},
                                           {0, {0xB0, 1, 64}}};
        plugin.processEvents(midi, 2);
        plugin.engine().processBlock(timing, in, out, 512, false);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

} // namespace
} // namespace frakle::state
