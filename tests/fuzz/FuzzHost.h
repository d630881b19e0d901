// What the fuzz targets share: a reader that turns fuzz bytes into host calls, an in-process
// host that makes a plug-in instance the way the entry point does and answers its callbacks,
// and the checks every target applies (finite output, chunks that survive their own round trip).
// Each target defines LLVMFuzzerTestOneInput; the same sources run under libFuzzer (clang,
// build-fuzz) and in the replay test of the normal build. Every executable has one target, so
// the host lives in this header alone.
#pragma once

#include "host/DAudioEffect.h"
#include "host/vst2.h"
#include "state/ParameterTable.h"
#include "state/uPlugin.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace frakle::fuzz {

constexpr size_t kHostBuffer = 256;    // what hosts hand out for names and texts
constexpr size_t kParamTextField = 24; // the longest parameter text the plug-in promises

// Reports a fault in the plug-in and aborts, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const std::string &what) {
    std::fprintf(stderr, "frakle fuzz: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

// Reports a text in `buffer` (at most kHostBuffer bytes) that does not fit its field.
inline void checkText(const char *buffer, size_t field, const std::string &what) {
    if (strnlen(buffer, kHostBuffer) >= field) {
        fail(what + " does not fit its " + std::to_string(field) + "-byte field");
    }
}

// Reads values off the front of a fuzz input; past its end every read gives zeros.
class ByteReader {
public:
    ByteReader(const uint8_t *data, size_t size)
        : data_(data ? data : &kNothing), size_(data ? size : 0) {}

    bool empty() const { return pos_ >= size_; }
    size_t remaining() const { return size_ - pos_; }

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    uint32_t u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
    uint64_t u64() { return u32() | (static_cast<uint64_t>(u32()) << 32); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    // Up to `n` bytes (fewer at the end of the input); never a null pointer.
    std::span<const uint8_t> take(size_t n) {
        n = std::min(n, remaining());
        const std::span<const uint8_t> part(data_ + pos_, n);
        pos_ += n;
        return part;
    }
    std::span<const uint8_t> rest() { return take(remaining()); }

    // A float as hosts and broken hosts send them: 0 … 1 in steps, the edge values
    // (NaN, ±inf, denormals, ±0, huge) or any bit pattern.
    float anyFloat() {
        using L = std::numeric_limits<float>;
        static const float edges[] = {0.0f,
                                      -0.0f,
                                      1.0f,
                                      0.5f,
                                      -1.0f,
                                      2.0f,
                                      L::quiet_NaN(),
                                      -L::quiet_NaN(),
                                      L::infinity(),
                                      -L::infinity(),
                                      L::min(),
                                      L::denorm_min(),
                                      -L::denorm_min(),
                                      L::max(),
                                      -L::max(),
                                      std::nextafter(1.0f, 2.0f)};
        const uint8_t kind = byte();
        return kind < 64    ? edges[kind % std::size(edges)]
               : kind < 192 ? static_cast<float>(byte()) / 255.0f
                            : std::bit_cast<float>(u32());
    }
    // A parameter index: mostly one of the plug-in's, just outside the range on either side, or
    // any int32.
    int32_t paramIndex(int32_t numParams) {
        const uint8_t kind = byte();
        return kind < 224   ? static_cast<int32_t>(byte()) % numParams
               : kind < 240 ? numParams + (kind - 232)
                            : i32();
    }
    // A zero-terminated text of up to `capacity - 1` bytes in a zeroed buffer of `capacity`.
    std::vector<char> text(size_t capacity) {
        std::vector<char> buffer(capacity, 0);
        const auto bytes = take(std::min<size_t>(byte(), capacity - 1));
        std::copy(bytes.begin(), bytes.end(), buffer.begin());
        return buffer;
    }

private:
    static constexpr uint8_t kNothing = 0;
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// A VstEvents list with every event and sysex dump it points at, owned together. Each event
// sits in a zeroed record large enough for any event type, so whatever type it claims, reading
// it as that type stays inside its memory.
class EventList {
public:
    // count byte, then per event: type, byteSize, deltaFrames, flags, MIDI bytes, sysex dump.
    static EventList read(ByteReader &in) {
        EventList list;
        const uint8_t count = in.byte();
        for (uint8_t i = 0; i < count && !in.empty(); ++i) {
            auto event = std::make_unique<vst2::VstMidiSysexEvent>();
            std::memset(event.get(), 0, sizeof(*event));
            const uint8_t shape = in.byte();
            event->type = (shape & 3) < 2    ? vst2::kVstMidiType
                          : (shape & 3) == 2 ? vst2::kVstSysExType
                                             : in.i32();
            const bool sysex = event->type == vst2::kVstSysExType;
            event->byteSize = (shape & 4) != 0 ? in.i32()
                              : sysex ? static_cast<int32_t>(sizeof(vst2::VstMidiSysexEvent))
                                      : static_cast<int32_t>(sizeof(vst2::VstMidiEvent));
            event->deltaFrames = (shape & 8) != 0 ? in.i32() : in.byte();
            event->flags = (shape & 16) != 0 ? in.i32() : 0;
            if (sysex) {
                // The dump is as long as it says, and lives where it points.
                const size_t length = in.u16() % 1025;
                std::vector<char> dump(std::max<size_t>(length, 1), 0);
                const auto bytes = in.take(length);
                std::copy(bytes.begin(), bytes.end(), dump.begin());
                event->dumpBytes = static_cast<int32_t>(length);
                event->sysexDump = dump.data();
                list.dumps_.push_back(std::move(dump));
            } else {
                // The MIDI bytes of a VstMidiEvent, or what any other type has in that place.
                auto *midi = reinterpret_cast<vst2::VstMidiEvent *>(event.get());
                const auto bytes = in.take(3);
                std::copy(bytes.begin(), bytes.end(), midi->midiData);
                if ((shape & 32) != 0) {
                    midi->noteLength = in.i32();
                    midi->noteOffset = in.i32();
                    midi->midiData[3] = in.byte();
                    midi->detune = static_cast<int8_t>(in.byte());
                    midi->noteOffVelocity = in.byte();
                }
            }
            list.events_.push_back(std::move(event));
        }
        // VstEvents ends in an array that really holds numEvents pointers.
        list.header_.assign(2 + std::max<size_t>(list.events_.size(), 2), 0);
        list.list()->numEvents = static_cast<int32_t>(list.events_.size());
        auto **pointers = reinterpret_cast<vst2::VstEvent **>(list.header_.data() + 2);
        for (size_t i = 0; i < list.events_.size(); ++i) {
            pointers[i] = reinterpret_cast<vst2::VstEvent *>(list.events_[i].get());
        }
        return list;
    }

    vst2::VstEvents *list() { return reinterpret_cast<vst2::VstEvents *>(header_.data()); }

private:
    std::vector<std::unique_ptr<vst2::VstMidiSysexEvent>> events_;
    std::vector<std::vector<char>> dumps_;
    std::vector<intptr_t> header_;
};

// What the host reports at the next block.
struct Transport {
    double sampleRate = 44100.0;
    bool reportRate = true; // false: audioMasterGetSampleRate answers 0, the rate set rules
    double tempo = 120.0;
    double ppq = 0.0;
    bool playing = true;
    bool timeAvailable = true; // false: audioMasterGetTime answers null
};

// One plug-in instance, driven in-process through its AEffect record. Only one exists at a time.
//
// Creating an instance costs about 65 ms under the sanitizers (the engine fills its 12-second
// histories), a 1024-frame block about 0.5 ms: a fresh instance per input ran at 14 inputs/s.
// So the targets share one instance per process (forInput) and put it back before each input
// to what a fresh one shows the host: the default program and bank, 44.1 kHz, the block size,
// a playing transport at 0, the editor closed, MIDI learn disarmed, suspended and resumed.
// Only audio the engine still holds (histories, delay lines, filter memories) carries over.
class Plugin {
public:
    static constexpr int32_t kBlockSize = 4096;
    static constexpr int32_t kFrameBudget = 16384; // frames per input, so one input stays quick

    // Entry-point creation, effOpen, rate, block size, resume.
    Plugin() {
        if (current() != nullptr) {
            fail("two fuzz instances at once");
        }
        current() = this;
        // What the entry point does, without its exported symbols (one of them is `main`).
        host::AudioEffect *instance = host::createEffectInstance(&Plugin::callback);
        if (instance == nullptr || instance->getAeffect()->magic != vst2::kEffectMagic) {
            fail("no instance");
        }
        effect_ = instance->getAeffect();
        // The randomisers read the wall clock; a fixed one makes every input replay the same.
        model()->setWallClock([] { return 45000.5; });
        for (auto *buffer : {&in_[0], &in_[1], &out_[0], &out_[1]}) {
            buffer->resize(kBlockSize);
        }
        dispatch(vst2::effOpen);
        configure();
        dispatch(vst2::effMainsChanged, 0, 1);
        freshBank_ = getChunk(false);
    }
    ~Plugin() {
        dispatch(vst2::effMainsChanged, 0, 0);
        dispatch(vst2::effClose);
        current() = nullptr;
    }
    Plugin(const Plugin &) = delete;
    Plugin &operator=(const Plugin &) = delete;

    // The process's instance, reset for the next input.
    static Plugin &forInput() {
        static Plugin plugin;
        plugin.reset();
        return plugin;
    }

    vst2::AEffect *effect() { return effect_; }
    Transport &transport() { return transport_; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void *ptr = nullptr,
                      float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    void setParameter(int32_t index, float value) { effect_->setParameter(effect_, index, value); }
    // Any index: 0 … 1 comes back, or the fault is reported.
    float getParameter(int32_t index) {
        const float value = effect_->getParameter(effect_, index);
        if (!(value >= 0.0f && value <= 1.0f)) {
            fail("getParameter(" + std::to_string(index) + ") = " + std::to_string(value));
        }
        return value;
    }

    // Plays `frames` frames of a test signal and moves the song position on. Replacing output
    // starts as NaN, so a sample the plug-in leaves unwritten is caught with the non-finite ones.
    void process(int32_t frames, bool accumulate = false) {
        frames = std::clamp(frames, 0, kBlockSize);
        const auto n = static_cast<size_t>(frames);
        // A 110 Hz saw with a click every quarter second: something for every effect to cut up.
        for (size_t i = 0; i < n; ++i, ++phase_) {
            const float saw = static_cast<float>(phase_ % 401) / 200.5f - 1.0f;
            const float click = phase_ % 11025 < 32 ? 0.9f : 0.0f;
            in_[0][i] = 0.5f * saw + click;
            in_[1][i] = -0.4f * saw + click;
        }
        for (auto &out : out_) {
            std::fill_n(out.begin(), n,
                        accumulate ? 0.25f : std::numeric_limits<float>::quiet_NaN());
        }
        float *inputs[2] = {in_[0].data(), in_[1].data()};
        float *outputs[2] = {out_[0].data(), out_[1].data()};
        (accumulate ? effect_->process : effect_->processReplacing)(effect_, inputs, outputs,
                                                                    frames);
        for (size_t i = 0; i < 2 * n; ++i) {
            if (!std::isfinite(out_[i / n][i % n])) {
                fail("output channel " + std::to_string(i / n) + " frame " + std::to_string(i % n) +
                     " of " + std::to_string(frames) + " is not finite");
            }
        }
        if (transport_.playing && transport_.sampleRate > 0.0) {
            transport_.ppq +=
                static_cast<double>(frames) * transport_.tempo / (60.0 * transport_.sampleRate);
        }
    }
    // Plays a u16 frame count from the input (at most a block), within the input's frame budget.
    void processFrom(ByteReader &in, bool accumulate = false) {
        const int32_t frames = std::min<int32_t>(in.u16() % (kBlockSize + 1), budget_);
        budget_ -= frames;
        process(frames, accumulate);
    }

    std::vector<uint8_t> getChunk(bool preset) {
        void *data = nullptr;
        const intptr_t size = dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data);
        if (size < 0 || (size > 0 && data == nullptr)) {
            fail("getChunk gave size " + std::to_string(size) + " at " + (data ? "data" : "null"));
        }
        const auto *bytes = static_cast<const uint8_t *>(data);
        return std::vector<uint8_t>(bytes, bytes + size);
    }
    // Hands over a copy of exactly `bytes` bytes, claiming `length` of them: a heap block of
    // exactly this size, so reading past it is caught by the address sanitizer.
    intptr_t setChunk(std::span<const uint8_t> bytes, intptr_t length, bool preset) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        return dispatch(vst2::effSetChunk, preset ? 1 : 0, length, copy.get());
    }
    // getChunk → setChunk → getChunk must accept its own chunk and give it back byte for byte.
    void checkRoundTrip(bool preset) {
        const std::string kind = preset ? "preset" : "bank";
        const std::vector<uint8_t> saved = getChunk(preset);
        const auto length = static_cast<intptr_t>(saved.size());
        if (const intptr_t accepted = setChunk(saved, length, preset); accepted != length) {
            fail("own " + kind + " chunk of " + std::to_string(length) + " bytes answered " +
                 std::to_string(accepted));
        }
        const std::vector<uint8_t> again = getChunk(preset);
        if (again != saved) {
            const auto at = std::mismatch(saved.begin(), saved.end(), again.begin(), again.end());
            fail(kind + " chunk changed by its own round trip, first at byte " +
                 std::to_string(at.first - saved.begin()));
        }
    }

    intptr_t sendEvents(EventList &events) {
        return dispatch(vst2::effProcessEvents, 0, 0, events.list());
    }
    // Suspends and resumes, as a host does around a change of its audio setup.
    void restart() {
        dispatch(vst2::effMainsChanged, 0, 0);
        dispatch(vst2::effMainsChanged, 0, 1);
    }
    // The end of every input: one more block of up to 512 of the frames left, then the round
    // trip of the bank.
    void finishInput() {
        process(std::min(512, budget_));
        checkRoundTrip(false);
    }
    // Arms MIDI learn as the editor's right click does (-1 disarms).
    void armMidiLearn(int32_t tag) { model()->SetMidiLearnTarget(tag); }

private:
    static Plugin *&current() { // the one live instance's host, for its callbacks
        static Plugin *live = nullptr;
        return live;
    }
    state::APlugin *model() {
        auto *plugin = dynamic_cast<state::APlugin *>(host::AudioEffect::fromAeffect(effect_));
        if (plugin == nullptr) {
            fail("the instance is not the plug-in model");
        }
        return plugin;
    }
    void configure() {
        dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(vst2::effSetBlockSize, 0, kBlockSize);
    }
    void reset() {
        if (host::TVstTemplateEditor *editor = model()->templateEditor()) {
            while (editor->openCount() > 0) {
                dispatch(vst2::effEditClose);
            }
        }
        armMidiLearn(-1);
        // The solo and global switches read 0 again; the bank below restores what they set.
        for (int32_t i = 0; i < state::kNumParams; ++i) {
            if (state::kParamTable[static_cast<size_t>(i)].kind == state::ParamKind::Switch) {
                setParameter(i, 0.0f);
            }
        }
        dispatch(vst2::effMainsChanged, 0, 0);
        transport_ = Transport{};
        phase_ = 0;
        budget_ = kFrameBudget;
        configure();
        const auto length = static_cast<intptr_t>(freshBank_.size());
        if (setChunk(freshBank_, length, false) != length) {
            fail("the bank of a fresh instance was refused");
        }
        dispatch(vst2::effMainsChanged, 0, 1);
    }
    static intptr_t callback(vst2::AEffect * /*effect*/, int32_t opcode, int32_t /*index*/,
                             intptr_t /*value*/, void * /*ptr*/, float /*opt*/) {
        if (opcode == vst2::audioMasterVersion) {
            return 2400;
        }
        return current() != nullptr ? current()->answer(opcode) : 0;
    }
    intptr_t answer(int32_t opcode) {
        const Transport &t = transport_;
        switch (opcode) {
        case vst2::audioMasterGetTime:
            if (!t.timeAvailable) {
                return 0;
            }
            timeInfo_ = {};
            timeInfo_.sampleRate = t.sampleRate;
            timeInfo_.ppqPos = t.ppq;
            timeInfo_.tempo = t.tempo;
            timeInfo_.timeSigNumerator = timeInfo_.timeSigDenominator = 4;
            timeInfo_.flags = vst2::kVstPpqPosValid | vst2::kVstTempoValid |
                              (t.playing ? vst2::kVstTransportPlaying : 0);
            return reinterpret_cast<intptr_t>(&timeInfo_);
        case vst2::audioMasterTempoAt:
            return static_cast<intptr_t>(std::llround(t.tempo * 10000.0));
        case vst2::audioMasterGetSampleRate:
            return t.reportRate ? static_cast<intptr_t>(std::llround(t.sampleRate)) : 0;
        case vst2::audioMasterGetBlockSize:
            return kBlockSize;
        default:
            return 0;
        }
    }

    vst2::AEffect *effect_ = nullptr;
    Transport transport_;
    vst2::VstTimeInfo timeInfo_{};
    uint64_t phase_ = 0;
    int32_t budget_ = 0; // frames the input may still play
    std::vector<float> in_[2];
    std::vector<float> out_[2];
    std::vector<uint8_t> freshBank_; // the bank chunk of the instance as created
};

// --- input layouts ------------------------------------------------------------------------
// Every target reads its input as a script of host calls; bytes missing at the end read as
// zeros.
//
// chunk: byte 0 is the set-up, the rest is the chunk handed to effSetChunk. Set-up bits:
//   kChunkPreset         a preset chunk (index 1), else a bank chunk (index 0)
//   kChunkShortLength    the next 4 bytes give the length claimed, at most the rest
//   kChunkBadLength      claims a negative length or one above INT32_MAX
//   bits 4 … 7           song position of the block, in sixteenths (kChunkPositionShift)
constexpr uint8_t kChunkPreset = 1, kChunkShortLength = 2, kChunkBadLength = 4;
constexpr int kChunkPositionShift = 4;

// events: byte 0 is the transport (bit 0 playing, bit 1 no time info, bits 2 … 7 tempo), then
// operations, each a byte (taken modulo the count) and its arguments:
//   kEventsSend       an event list (see EventList::read)
//   kEventsProcess    u16 frames
//   kEventsTransport  byte flags (EventsTransport), song position, then tempo and rate
//   kEventsLearn      u16: arms MIDI learn for editor tag (value % 600) − 1
//   kEventsMains      suspend and resume
constexpr uint8_t kEventsSend = 0, kEventsProcess = 1, kEventsTransport = 2, kEventsLearn = 3,
                  kEventsMains = 4, kEventsOpCount = 5;

// The flags of kEventsTransport. The song position follows the flags: a u16 in 1/16 beats − 8,
// or with kTransportAnyPosition the bits of any double; then, when flagged, the tempo as an i32
// in 1/1000 bpm and the rate as a byte choosing from a table.
constexpr uint8_t kTransportTogglePlay = 1, kTransportAnyPosition = 2, kTransportTempo = 4,
                  kTransportRate = 8, kTransportToggleTime = 16;

// params: operations, each a byte (taken modulo the count) and its arguments:
//   kParamsSet         parameter index, float
//   kParamsGet         parameter index
//   kParamsProgram     byte < 128: program byte − 64, else an i64 program number
//   kParamsSetName     text
//   kParamsGetName     –
//   kParamsRoundTrip   byte: bit 0 preset
//   kParamsEditChunk   byte: bit 0 preset, bits 1 … 3 edits − 1; per edit u16 offset, byte
//   kParamsProcess     u16 frames
//   kParamsParamTexts  parameter index
//   kParamsMains       suspend and resume
constexpr uint8_t kParamsSet = 0, kParamsGet = 1, kParamsProgram = 2, kParamsSetName = 3,
                  kParamsGetName = 4, kParamsRoundTrip = 5, kParamsEditChunk = 6,
                  kParamsProcess = 7, kParamsParamTexts = 8, kParamsMains = 9, kParamsOpCount = 10;

// dispatcher: operations, each a byte: below kDispatchRawOpcode an opcode (value % 80), up to
// kDispatchProcess an i32 opcode follows, above it a block is processed (u16 frames). A
// dispatcher call then reads index (byte, ≥ 240: i32), value (byte, ≥ 240: i64) and opt (float),
// and whatever the opcode's pointer argument is built from.
constexpr uint8_t kDispatchOpcodeCount = 80, kDispatchRawOpcode = 240, kDispatchProcess = 248;

} // namespace frakle::fuzz
