// frakle-fuzz-corpus DIR: writes the seed corpus of every fuzz target into DIR/<target>/ — the
// default chunks and variations of them, MIDI lists, parameter and dispatcher scripts — in the
// layouts of Formats.h. `make fuzz-corpus` refreshes tests/fuzz/corpus with it.
#include "state/ProgramRecord.h"
#include "tests/fuzz/Formats.h"
#include "tests/fuzz/FuzzHost.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace frakle::fuzz {
namespace {

using state::TProgramRecord;

class Script {
public:
    Script &u8(uint8_t v) { return bytes({v}); }
    Script &u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    Script &u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(v >> 16); }
    Script &u64(uint64_t v) { return u32(static_cast<uint32_t>(v)).u32(v >> 32); }
    Script &bytes(const std::vector<uint8_t> &v) {
        bytes_.insert(bytes_.end(), v.begin(), v.end());
        return *this;
    }
    // ByteReader::anyFloat: a value in 0 … 1 (in 1/255 steps), an edge value, or raw bits.
    Script &unit(float v) { return u8(64).u8(static_cast<uint8_t>(std::lround(v * 255.0f))); }
    Script &edge(uint8_t which) { return u8(which); }
    Script &rawFloat(float v) { return u8(192).u32(std::bit_cast<uint32_t>(v)); }
    // ByteReader::paramIndex.
    Script &param(int32_t index) {
        return index >= 0 && index < 147 ? u8(0).u8(static_cast<uint8_t>(index))
                                         : u8(240).u32(static_cast<uint32_t>(index));
    }
    Script &text(const std::string &t) {
        return u8(static_cast<uint8_t>(t.size())).bytes({t.begin(), t.end()});
    }
    // EventList::read, one MIDI event of three bytes.
    Script &midi(uint8_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
        return u8(0).u8(delta).u8(status).u8(data1).u8(data2);
    }
    Script &sysex(const std::vector<uint8_t> &dump) {
        return u8(2).u8(0).u16(static_cast<uint16_t>(dump.size())).bytes(dump);
    }
    const std::vector<uint8_t> &data() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Writes DIR/<target>/<name> and counts the files.
class Writer {
public:
    explicit Writer(std::filesystem::path root) : root_(std::move(root)) {}
    void write(const char *target, const char *name, const std::vector<uint8_t> &bytes) {
        std::filesystem::create_directories(root_ / target);
        std::ofstream out(root_ / target / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            fail("cannot write " + (root_ / target / name).string());
        }
        ++count;
    }
    int count = 0;

private:
    std::filesystem::path root_;
};

void chunkSeeds(Writer &out, const std::vector<uint8_t> &preset, const std::vector<uint8_t> &bank) {
    const auto withSetup = [](uint8_t setup, const std::vector<uint8_t> &chunk) {
        return Script().u8(setup).bytes(chunk).data();
    };
    out.write("chunk", "default-preset", withSetup(kChunkPreset, preset));
    out.write("chunk", "default-bank", withSetup(4 << kChunkPositionShift, bank));

    // Pattern 6 playing with its solo and global, 16 steps, resonant filters, learned and
    // legacy controller maps, transport ignored.
    std::vector<uint8_t> edited = preset;
    const std::pair<size_t, uint8_t> edits[] = {{offsetof(TProgramRecord, currentPattern), 5},
                                                {offsetof(TProgramRecord, patternSolo) + 5, 3},
                                                {offsetof(TProgramRecord, patternGlobal) + 5, 7},
                                                {offsetof(TProgramRecord, stepCount), 16},
                                                {offsetof(TProgramRecord, ignoreTransport), 1},
                                                {offsetof(TProgramRecord, filterQMode), 1},
                                                {offsetof(TProgramRecord, filterQMode) + 4, 1},
                                                {offsetof(TProgramRecord, legacyCcMap) + 20, 33},
                                                {offsetof(TProgramRecord, ccMap) + 2 * 7, 1},
                                                {offsetof(TProgramRecord, ccMap) + 2 * 7 + 1, 0}};
    for (const auto &[at, value] : edits) {
        edited[at] = value;
    }
    out.write("chunk", "pattern-solo-global-preset",
              withSetup(kChunkPreset | (2 << kChunkPositionShift), edited));

    // A bank whose program carries extra bytes, followed by bytes beyond its length.
    std::vector<uint8_t> extra = bank;
    const uint32_t length = 2800 + 16;
    for (int i = 0; i < 4; ++i) {
        extra[static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
    }
    for (int i = 0; i < 24; ++i) {
        extra.push_back(static_cast<uint8_t>(0xA0 + i));
    }
    out.write("chunk", "bank-extra-bytes", withSetup(0, extra));

    // Lengths that must be refused: one byte short, more than the bytes hold, negative.
    out.write("chunk", "preset-one-short",
              Script().u8(kChunkPreset | kChunkShortLength).u32(2799).bytes(preset).data());
    std::vector<uint8_t> overlong = bank;
    overlong[1] = 0x0B;
    out.write("chunk", "bank-length-too-long", withSetup(0, overlong));
    const uint8_t negative = kChunkPreset | kChunkBadLength | kChunkShortLength;
    out.write("chunk", "negative-length", Script().u8(negative).u32(7).bytes(preset).data());
}

void eventsSeeds(Writer &out) {
    const uint8_t playing120 = 1 | (15 << 2);
    const auto process = [](Script &s, uint16_t frames) { s.u8(kEventsProcess).u16(frames); };

    Script patterns;
    patterns.u8(playing120);
    for (uint8_t note = 48; note <= 63; note += 3) {
        patterns.u8(kEventsSend).u8(2).midi(0, 0x90, note, 100).midi(8, 0x80, note, 0);
        process(patterns, 2048);
    }
    out.write("events", "pattern-notes", patterns.data());

    Script switches;
    switches.u8(playing120);
    for (uint8_t e = 0; e < 9; e += 2) {
        switches.u8(kEventsSend).u8(2).midi(0, 0x90, 72 + e, 90).midi(0, 0x91, 84 + e, 90);
        process(switches, 1500);
        switches.u8(kEventsSend).u8(2).midi(3, 0x80, 72 + e, 0).midi(3, 0x90, 84 + e, 0);
        process(switches, 700);
    }
    out.write("events", "solo-global-notes", switches.data());

    Script learn;
    learn.u8(playing120);
    learn.u8(kEventsLearn).u16(2); // tag 1: "RandSeed"
    learn.u8(kEventsSend).u8(1).midi(0, 0xB0, 20, 64);
    learn.u8(kEventsLearn).u16(35 + 1); // tag 35: an effect control
    learn.u8(kEventsSend).u8(3).midi(0, 0xB3, 21, 127).midi(1, 0xB0, 20, 5).midi(2, 0xB0, 21, 0);
    process(learn, 4096);
    learn.u8(kEventsSend).u8(2).midi(0, 0xB0, 20, 127).midi(0, 0xB0, 21, 64);
    process(learn, 4096);
    out.write("events", "learn-and-controllers", learn.data());

    Script odd;
    odd.u8(playing120);
    odd.u8(kEventsSend).u8(5);
    odd.sysex({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    odd.u8(3).u32(99).u8(0).u8(0x90).u8(50).u8(1);         // unknown type, MIDI bytes behind it
    odd.u8(4).u32(0xFFFFFFFF).u8(0).u8(0x90).u8(49).u8(9); // MIDI with a negative byteSize
    odd.u8(8).u32(0x80000000).u8(0xB0).u8(7).u8(100);      // deltaFrames far before the block
    odd.u8(32).u8(200).u8(0x90).u8(60).u8(64).u32(480).u32(0).u8(0).u8(0xF0).u8(0);
    process(odd, 1024);
    odd.u8(kEventsMains);
    odd.u8(kEventsSend).u8(1).sysex(std::vector<uint8_t>(300, 0x55));
    process(odd, 1024);
    out.write("events", "sysex-and-odd-events", odd.data());

    Script many;
    many.u8(playing120);
    many.u8(kEventsSend).u8(100);
    for (int i = 0; i < 100; ++i) {
        many.midi(static_cast<uint8_t>(i), static_cast<uint8_t>(0x90 + (i & 15)),
                  static_cast<uint8_t>(40 + i % 56), static_cast<uint8_t>(i));
    }
    process(many, 4096);
    out.write("events", "hundred-notes", many.data());

    Script transport;
    transport.u8(0);
    process(transport, 1024);
    transport.u8(kEventsTransport).u8(1).u16(8 * 16 + 4);
    process(transport, 3000);
    transport.u8(kEventsTransport).u8(0).u16(0); // a jump back before the song start
    transport.u8(kEventsSend).u8(1).midi(0, 0x90, 55, 1);
    process(transport, 3000);
    transport.u8(kEventsTransport).u8(1).u16(200);
    process(transport, 512);
    out.write("events", "transport-jumps", transport.data());
}

void paramsSeeds(Writer &out) {
    const auto process = [](Script &s, uint16_t frames) { s.u8(kParamsProcess).u16(frames); };

    Script sweep;
    for (int32_t i = 0; i < 147; ++i) {
        sweep.u8(kParamsSet).param(i).unit(static_cast<float>((i * 37) % 101) / 100.0f);
        if (i % 16 == 15) {
            process(sweep, 1024);
        }
    }
    process(sweep, 4096);
    out.write("params", "sweep-every-parameter", sweep.data());

    Script edges;
    const int32_t indices[] = {1, 3, 28, 33, 35, 38, 2, 0, 126};
    for (uint8_t which = 0; which < 16; ++which) {
        edges.u8(kParamsSet).param(indices[which % std::size(indices)]).edge(which);
        edges.u8(kParamsGet).param(indices[which % std::size(indices)]);
        process(edges, 600);
    }
    edges.u8(kParamsSet).param(-1).unit(1.0f).u8(kParamsSet).param(147).unit(0.5f);
    edges.u8(kParamsSet).param(INT32_MIN).rawFloat(1e30f).u8(kParamsGet).param(1 << 20);
    edges.u8(kParamsParamTexts).param(2).u8(kParamsParamTexts).param(-5);
    process(edges, 2048);
    out.write("params", "edge-values", edges.data());

    Script programs;
    programs.u8(kParamsSetName).text("A name far longer than any program name field holds");
    programs.u8(kParamsGetName);
    programs.u8(kParamsProgram).u8(64).u8(kParamsProgram).u8(63);
    programs.u8(kParamsProgram).u8(200).u64(0x100000000ULL);
    programs.u8(kParamsRoundTrip).u8(1).u8(kParamsRoundTrip).u8(0);
    programs.u8(kParamsMains);
    process(programs, 2048);
    out.write("params", "programs-and-names", programs.data());

    Script edits;
    edits.u8(kParamsSet).param(2).unit(0.4f);
    edits.u8(kParamsEditChunk).u8(1 | (3 << 1));
    edits.u16(748).u8(9).u16(1805).u8(7).u16(1773 + 9).u8(4).u16(40).u8(0x7F);
    process(edits, 3000);
    edits.u8(kParamsEditChunk).u8(0 | (1 << 1)).u16(4 + 1976 + 2 * 3).u8(2).u16(4 + 1976 + 7).u8(0);
    process(edits, 3000);
    edits.u8(kParamsRoundTrip).u8(1);
    out.write("params", "chunk-edits", edits.data());

    Script buttons;
    for (int32_t i = 129; i < 147; i += 2) {
        buttons.u8(kParamsSet).param(i).unit(1.0f);
        process(buttons, 700);
    }
    buttons.u8(kParamsSet).param(104).unit(1.0f).u8(kParamsSet).param(111).unit(1.0f);
    process(buttons, 4096);
    out.write("params", "buttons-and-switches", buttons.data());
}

void dispatcherSeeds(Writer &out) {
    // Opcode, index, value and opt as one dispatcher call reads them.
    const auto op = [](Script &s, int32_t opcode, uint8_t index = 0,
                       uint8_t value = 0) -> Script & {
        return s.u8(static_cast<uint8_t>(opcode)).u8(index).u8(value).unit(0.0f);
    };
    const auto process = [](Script &s, uint16_t frames) { s.u8(kDispatchProcess).u16(frames); };

    Script identity;
    for (const int32_t opcode :
         {vst2::effGetEffectName, vst2::effGetVendorString, vst2::effGetProductString,
          vst2::effGetVendorVersion, vst2::effGetVstVersion, vst2::effGetPlugCategory,
          vst2::effGetNumProgramCategories, vst2::effGetTailSize, vst2::effKeysRequired}) {
        op(identity, opcode);
    }
    op(identity, vst2::effGetInputProperties, 1);
    op(identity, vst2::effGetOutputProperties, 2);
    for (const char *feature : {"receiveVstMidiEvent", "sendVstEvents", "bypass", "2in2out"}) {
        op(identity, vst2::effCanDo).text(feature);
    }
    for (const uint8_t index : {0, 2, 100, 146, 147}) {
        op(identity, vst2::effGetParamName, index);
        op(identity, vst2::effGetParamLabel, index);
        op(identity, vst2::effGetParamDisplay, index);
        op(identity, vst2::effCanBeAutomated, index);
    }
    op(identity, vst2::effGetProgramNameIndexed, 0, 0);
    out.write("dispatcher", "identity-and-texts", identity.data());

    Script editor;
    for (const int32_t opcode :
         {vst2::effEditGetRect, vst2::effEditOpen, vst2::effEditGetRect, vst2::effEditIdle}) {
        op(editor, opcode);
    }
    process(editor, 2048);
    op(editor, vst2::effEditIdle);
    op(editor, vst2::effEditKeyDown, 'a', 0);
    op(editor, vst2::effEditClose);
    op(editor, vst2::effEditIdle);
    out.write("dispatcher", "editor-open-idle-close", editor.data());

    Script rates;
    rates.u8(vst2::effSetSampleRate).u8(0).u8(0).rawFloat(96000.0f);
    rates.u8(vst2::effSetBlockSize).u8(0).u8(128).unit(0.0f);
    op(rates, vst2::effMainsChanged, 0, 1);
    process(rates, 4096);
    rates.u8(vst2::effSetBlockSizeAndSampleRate).u8(0).u8(64).rawFloat(22050.0f);
    process(rates, 4096);
    rates.u8(vst2::effSetSampleRate).u8(0).u8(0).edge(6); // NaN: kept the last good rate
    op(rates, vst2::effMainsChanged, 0, 0);
    op(rates, vst2::effMainsChanged, 0, 1);
    process(rates, 2048);
    out.write("dispatcher", "rates-and-blocks", rates.data());

    Script chunks;
    op(chunks, vst2::effGetChunk, 1);
    op(chunks, vst2::effSetChunk, 1).u8(1 | (2 << 1)).u16(748).u8(3).u16(1805).u8(12);
    op(chunks, vst2::effGetChunk, 0);
    op(chunks, vst2::effSetChunk, 0).u8(0).u16(5).u8(0xFF).u8(0xFF).u8(0).u8(0).u8(1);
    op(chunks, vst2::effSetProgramName).text("Fuzzed");
    op(chunks, vst2::effGetProgramName);
    for (const int32_t opcode :
         {vst2::effSetProgram, vst2::effBeginSetProgram, vst2::effEndSetProgram}) {
        op(chunks, opcode);
    }
    process(chunks, 3000);
    out.write("dispatcher", "chunks-and-programs", chunks.data());

    Script events;
    op(events, vst2::effProcessEvents).u8(3).midi(0, 0x90, 52, 90).midi(0, 0x90, 75, 90);
    events.midi(0, 0xB0, 1, 64);
    process(events, 4096);
    op(events, vst2::effProcessEvents).u8(1).midi(0, 0x80, 75, 0);
    process(events, 4096);
    out.write("dispatcher", "events", events.data());
}

} // namespace
} // namespace frakle::fuzz

int main(int argc, char **argv) {
    using namespace frakle::fuzz;
    if (argc != 2) {
        std::fprintf(stderr, "usage: frakle-fuzz-corpus DIR\n");
        return 2;
    }
    std::vector<uint8_t> preset;
    std::vector<uint8_t> bank;
    {
        Plugin plugin;
        preset = plugin.getChunk(true);
        bank = plugin.getChunk(false);
    }
    Writer out(argv[1]);
    chunkSeeds(out, preset, bank);
    eventsSeeds(out);
    paramsSeeds(out);
    dispatcherSeeds(out);
    std::printf("%d seed files written to %s\n", out.count, argv[1]);
    return 0;
}
