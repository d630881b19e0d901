// Fuzz target "events": event lists of any shape through effProcessEvents (MIDI of every kind,
// sysex dumps, types the plug-in does not know, odd sizes and offsets), between blocks, with the
// transport moving (to any song position, tempo and rate a host may report, sane or not) and MIDI
// learn armed now and then. The output stays finite and the state still survives its round
// trip. One instance per process, reset before each input (see FuzzHost.h).
#include "tests/fuzz/FuzzHost.h"

using namespace frakle::fuzz;

namespace {

// Rates a host may report, 0 meaning it does not know, and a few no audio device runs at.
constexpr double kRates[] = {0.0,     1.0,     8000.0,   22050.0,  44100.0,
                             48000.0, 96000.0, 192000.0, 768000.0, 1.0e7};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ByteReader in(data, size);
    Plugin &plugin = Plugin::forInput();
    Transport &transport = plugin.transport();
    const uint8_t setup = in.byte();
    transport.playing = (setup & 1) != 0;
    transport.timeAvailable = (setup & 2) == 0;
    transport.tempo = 60.0 + 4.0 * (setup >> 2);

    while (!in.empty()) {
        switch (in.byte() % kEventsOpCount) {
        case kEventsSend: {
            EventList events = EventList::read(in);
            if (plugin.sendEvents(events) != 1) {
                fail("effProcessEvents did not answer 1");
            }
            break;
        }
        case kEventsProcess:
            plugin.processFrom(in);
            break;
        case kEventsTransport: {
            const uint8_t flags = in.byte();
            if ((flags & kTransportTogglePlay) != 0) {
                transport.playing = !transport.playing;
            }
            transport.ppq = (flags & kTransportAnyPosition) != 0 ? std::bit_cast<double>(in.u64())
                                                                 : in.u16() / 16.0 - 8.0;
            if ((flags & kTransportTempo) != 0) {
                transport.tempo = in.i32() / 1000.0;
            }
            if ((flags & kTransportRate) != 0) {
                transport.sampleRate = kRates[in.byte() % std::size(kRates)];
            }
            if ((flags & kTransportToggleTime) != 0) {
                transport.timeAvailable = !transport.timeAvailable;
            }
            break;
        }
        case kEventsLearn:
            plugin.armMidiLearn(in.u16() % 600 - 1);
            break;
        case kEventsMains:
            plugin.restart();
            break;
        default:
            break;
        }
    }
    plugin.finishInput();
    return 0;
}
