// What the fuzz targets share: a reader that turns fuzz bytes into host calls, an in-process
// host that makes a plug-in instance the way the entry point does and answers its callbacks,
// and the checks every target applies (finite output, chunks that survive their own round trip).
// Each target defines LLVMFuzzerTestOneInput; the same sources run under libFuzzer (clang,
// build-fuzz) and in the replay test of the normal build.
#pragma once

#include "host/vst2.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace frakle::fuzz {

constexpr size_t kHostBuffer = 256;    // what hosts hand out for names and texts
constexpr size_t kParamTextField = 24; // the longest parameter text the plug-in promises

// Reports a text in `buffer` (at most kHostBuffer bytes) that does not fit its field.
void checkText(const char *buffer, size_t field, const std::string &what);

// Reports a fault in the plug-in and aborts, so libFuzzer keeps the input.
[[noreturn]] void fail(const std::string &what);

// Reads values off the front of a fuzz input; past its end every read gives zeros.
class ByteReader {
public:
    ByteReader(const uint8_t *data, size_t size);

    bool empty() const { return pos_ >= size_; }
    size_t remaining() const { return size_ - pos_; }

    uint8_t byte();
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    // Up to `n` bytes (fewer at the end of the input); never a null pointer.
    std::span<const uint8_t> take(size_t n);
    std::span<const uint8_t> rest() { return take(remaining()); }

    // A float as hosts and broken hosts send them: 0 … 1 in steps, the edge values
    // (NaN, ±inf, denormals, ±0, huge) or any bit pattern.
    float anyFloat();
    // A parameter index: mostly one of the plug-in's, sometimes any int32.
    int32_t paramIndex(int32_t numParams);
    // A zero-terminated text of up to `capacity - 1` bytes in a zeroed buffer of `capacity`.
    std::vector<char> text(size_t capacity);

private:
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
    static EventList read(ByteReader &in);

    vst2::VstEvents *list() { return reinterpret_cast<vst2::VstEvents *>(header_.data()); }
    size_t size() const { return events_.size(); }

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

    Plugin();  // entry-point creation, effOpen, rate, block size, resume
    ~Plugin(); // effClose

    // The process's instance, reset for the next input.
    static Plugin &forInput();

    Plugin(const Plugin &) = delete;
    Plugin &operator=(const Plugin &) = delete;

    vst2::AEffect *effect() { return effect_; }
    Transport &transport() { return transport_; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void *ptr = nullptr,
                      float opt = 0.0f);
    void setParameter(int32_t index, float value);
    // Any index: 0 … 1 comes back, or the fault is reported.
    float getParameter(int32_t index);

    // Plays `frames` frames of a test signal and moves the song position on. Replacing output
    // starts as NaN, so a sample the plug-in leaves unwritten is caught with the non-finite ones.
    void process(int32_t frames, bool accumulate = false);
    // Plays a u16 frame count from the input (at most a block), within the input's frame budget.
    void processFrom(ByteReader &in, bool accumulate = false);

    std::vector<uint8_t> getChunk(bool preset);
    // Hands over a copy of exactly `bytes` bytes, claiming `length` of them.
    intptr_t setChunk(std::span<const uint8_t> bytes, intptr_t length, bool preset);
    // getChunk → setChunk → getChunk must accept its own chunk and give it back byte for byte.
    void checkRoundTrip(bool preset);

    intptr_t sendEvents(EventList &events);

    // Suspends and resumes, as a host does around a change of its audio setup.
    void restart();
    // The end of every input: one more block of up to 512 of the frames left, then the round
    // trip of the bank.
    void finishInput();

    // Arms MIDI learn as the editor's right click does (-1 disarms).
    void armMidiLearn(int32_t tag);

private:
    void reset();
    static intptr_t callback(vst2::AEffect *effect, int32_t opcode, int32_t index, intptr_t value,
                             void *ptr, float opt);
    intptr_t answer(int32_t opcode);

    vst2::AEffect *effect_ = nullptr;
    Transport transport_;
    vst2::VstTimeInfo timeInfo_{};
    uint64_t phase_ = 0;
    int32_t budget_ = 0; // frames the input may still play
    std::vector<float> in_[2];
    std::vector<float> out_[2];
    std::vector<uint8_t> freshBank_; // the bank chunk of the instance as created
};

} // namespace frakle::fuzz
