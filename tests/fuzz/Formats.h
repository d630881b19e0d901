// The input layouts of the fuzz targets. Every target reads its input as a script of host
// calls; bytes missing at the end read as zeros.
#pragma once

#include <cstdint>

namespace frakle::fuzz {

// chunk: byte 0 is the set-up, the rest is the chunk handed to effSetChunk.
enum ChunkSetup : uint8_t {
    kChunkPreset = 1 << 0,      // a preset chunk (index 1), else a bank chunk (index 0)
    kChunkShortLength = 1 << 1, // the next 4 bytes give the length claimed, at most the rest
    kChunkBadLength = 1 << 2,   // claims a negative length or one above INT32_MAX
    kChunkPositionShift = 4,    // bits 4 … 7: song position of the block, in sixteenths
};

// events: byte 0 is the transport (bit 0 playing, bit 1 no time info, bits 2 … 7 tempo), then
// operations, each a byte (taken modulo the count) and its arguments.
enum EventsOp : uint8_t {
    kEventsSend,      // an event list (see EventList::read)
    kEventsProcess,   // u16 frames
    kEventsTransport, // byte flags (EventsTransport), song position, then tempo and rate
    kEventsLearn,     // u16: arms MIDI learn for editor tag (value % 600) − 1
    kEventsMains,     // suspend and resume
    kEventsOpCount,
};

// The flags of kEventsTransport. The song position follows the flags: a u16 in 1/16 beats − 8,
// or with kTransportAnyPosition the bits of any double; then, when flagged, the tempo as an i32
// in 1/1000 bpm and the rate as a byte choosing from a table.
enum EventsTransport : uint8_t {
    kTransportTogglePlay = 1 << 0,
    kTransportAnyPosition = 1 << 1,
    kTransportTempo = 1 << 2,
    kTransportRate = 1 << 3,
    kTransportToggleTime = 1 << 4,
};

// params: operations, each a byte (taken modulo the count) and its arguments.
enum ParamsOp : uint8_t {
    kParamsSet,        // parameter index, float
    kParamsGet,        // parameter index
    kParamsProgram,    // byte < 128: program byte − 64, else an i64 program number
    kParamsSetName,    // text
    kParamsGetName,    //
    kParamsRoundTrip,  // byte: bit 0 preset
    kParamsEditChunk,  // byte: bit 0 preset, bits 1 … 3 edits − 1; per edit u16 offset, byte
    kParamsProcess,    // u16 frames
    kParamsParamTexts, // parameter index
    kParamsMains,      // suspend and resume
    kParamsOpCount,
};

// dispatcher: operations, each a byte: below kDispatchRawOpcode an opcode (value % 80), up to
// kDispatchProcess an i32 opcode follows, above it a block is processed (u16 frames). A
// dispatcher call then reads index (byte, ≥ 240: i32), value (byte, ≥ 240: i64) and opt (float),
// and whatever the opcode's pointer argument is built from.
constexpr uint8_t kDispatchOpcodeCount = 80;
constexpr uint8_t kDispatchRawOpcode = 240;
constexpr uint8_t kDispatchProcess = 248;

} // namespace frakle::fuzz
