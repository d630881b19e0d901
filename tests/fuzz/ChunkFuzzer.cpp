// Fuzz target "chunk": any bytes as a preset or bank chunk, a block played with whatever was
// accepted, then the plug-in's own bank and preset chunks must survive their round trip.
// One instance per process, reset before each input (see FuzzHost.h).
#include "tests/fuzz/FuzzHost.h"

using namespace frakle::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ByteReader in(data, size);
    const uint8_t setup = in.byte();
    const bool preset = (setup & kChunkPreset) != 0;
    intptr_t claimed = -1;
    if ((setup & kChunkBadLength) != 0) {
        claimed = (setup & kChunkShortLength) != 0
                      ? -static_cast<intptr_t>(in.u32()) - 1
                      : static_cast<intptr_t>(std::numeric_limits<int32_t>::max()) + 1 + in.u32();
    } else if ((setup & kChunkShortLength) != 0) {
        claimed = in.u32();
    }
    const auto chunk = in.rest();
    const auto length = static_cast<intptr_t>(chunk.size());
    if (claimed < 0 && (setup & kChunkBadLength) == 0) {
        claimed = length;
    } else if ((setup & kChunkBadLength) == 0) {
        claimed %= length + 1;
    }

    Plugin &plugin = Plugin::forInput();
    plugin.transport().ppq = 0.25 * (setup >> kChunkPositionShift);
    const std::vector<uint8_t> before = plugin.getChunk(preset);
    const intptr_t answer = plugin.setChunk(chunk, claimed, preset);
    if (answer == 0) {
        if (plugin.getChunk(preset) != before) {
            fail("a refused chunk changed the program");
        }
    } else if (answer != claimed) {
        fail("setChunk of " + std::to_string(claimed) + " bytes answered " +
             std::to_string(answer));
    }
    plugin.process(1024);
    plugin.checkRoundTrip(false);
    plugin.checkRoundTrip(true);
    return 0;
}
