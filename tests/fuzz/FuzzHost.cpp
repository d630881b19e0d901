// The fuzz targets' in-process host: reading fuzz bytes, building event lists, creating and
// driving one plug-in instance, and the checks that turn a wrong answer into an abort.
#include "tests/fuzz/FuzzHost.h"

#include "host/DAudioEffect.h"
#include "state/ParameterTable.h"
#include "state/uPlugin.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace frakle::fuzz {

namespace {

Plugin *current = nullptr; // the one live instance's host, for its callbacks

// The randomisers read the wall clock; a fixed one makes every input replay the same way.
double fixedClock() { return 45000.5; }

// Edge values a float parameter or option can carry.
using Limits = std::numeric_limits<float>;
const float kNaN = Limits::quiet_NaN(), kInf = Limits::infinity(), kTiny = Limits::denorm_min();
const float kEdgeFloats[] = {0.0f,   -0.0f,         1.0f,           0.5f,
                             -1.0f,  2.0f,          kNaN,           -kNaN,
                             kInf,   -kInf,         Limits::min(),  kTiny,
                             -kTiny, Limits::max(), -Limits::max(), std::nextafter(1.0f, 2.0f)};

} // namespace

void fail(const std::string &what) {
    std::fprintf(stderr, "frakle fuzz: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

void checkText(const char *buffer, size_t field, const std::string &what) {
    if (strnlen(buffer, kHostBuffer) >= field) {
        fail(what + " does not fit its " + std::to_string(field) + "-byte field");
    }
}

// --- input ---------------------------------------------------------------------------------

ByteReader::ByteReader(const uint8_t *data, size_t size) : data_(data), size_(size) {
    static const uint8_t nothing = 0;
    if (data_ == nullptr) {
        data_ = &nothing;
        size_ = 0;
    }
}

uint8_t ByteReader::byte() { return pos_ < size_ ? data_[pos_++] : 0; }

uint16_t ByteReader::u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }

uint32_t ByteReader::u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }

uint64_t ByteReader::u64() { return u32() | (static_cast<uint64_t>(u32()) << 32); }

std::span<const uint8_t> ByteReader::take(size_t n) {
    n = std::min(n, remaining());
    const std::span<const uint8_t> part(data_ + pos_, n);
    pos_ += n;
    return part;
}

float ByteReader::anyFloat() {
    const uint8_t kind = byte();
    if (kind < 64) {
        return kEdgeFloats[kind % std::size(kEdgeFloats)];
    }
    if (kind < 192) {
        return static_cast<float>(byte()) / 255.0f;
    }
    return std::bit_cast<float>(u32());
}

int32_t ByteReader::paramIndex(int32_t numParams) {
    const uint8_t kind = byte();
    if (kind < 224) {
        return static_cast<int32_t>(byte()) % numParams;
    }
    if (kind < 240) {
        return numParams + (kind - 232); // just outside the range on either side
    }
    return i32();
}

std::vector<char> ByteReader::text(size_t capacity) {
    std::vector<char> buffer(capacity, 0);
    const auto bytes = take(std::min<size_t>(byte(), capacity - 1));
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return buffer;
}

EventList EventList::read(ByteReader &in) {
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
                          : sysex          ? static_cast<int32_t>(sizeof(vst2::VstMidiSysexEvent))
                                           : static_cast<int32_t>(sizeof(vst2::VstMidiEvent));
        event->deltaFrames = (shape & 8) != 0 ? in.i32() : in.byte();
        event->flags = (shape & 16) != 0 ? in.i32() : 0;
        if (sysex) {
            // The dump is as long as it says, and lives where it points.
            const size_t length = in.u16() % 1025;
            std::vector<char> dump(std::max<size_t>(length, 1), 0);
            const auto bytes = in.take(length);
            std::memcpy(dump.data(), bytes.data(), bytes.size());
            event->dumpBytes = static_cast<int32_t>(length);
            event->sysexDump = dump.data();
            list.dumps_.push_back(std::move(dump));
        } else {
            // The MIDI bytes of a VstMidiEvent, or what any other type has in that place.
            auto *midi = reinterpret_cast<vst2::VstMidiEvent *>(event.get());
            const auto bytes = in.take(3);
            std::memcpy(midi->midiData, bytes.data(), bytes.size());
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
    const size_t slots = std::max<size_t>(list.events_.size(), 2);
    list.header_.assign(2 + slots, 0);
    vst2::VstEvents *events = list.list();
    events->numEvents = static_cast<int32_t>(list.events_.size());
    auto **pointers = reinterpret_cast<vst2::VstEvent **>(list.header_.data() + 2);
    for (size_t i = 0; i < list.events_.size(); ++i) {
        pointers[i] = reinterpret_cast<vst2::VstEvent *>(list.events_[i].get());
    }
    return list;
}

// --- host ----------------------------------------------------------------------------------

Plugin::Plugin() {
    if (current != nullptr) {
        fail("two fuzz instances at once");
    }
    current = this;
    // What the entry point does, without its exported symbols (one of them is `main`).
    host::AudioEffect *instance = host::createEffectInstance(&Plugin::callback);
    if (instance == nullptr || instance->getAeffect()->magic != vst2::kEffectMagic) {
        fail("no instance");
    }
    effect_ = instance->getAeffect();
    if (auto *plugin = dynamic_cast<state::APlugin *>(instance)) {
        plugin->setWallClock(fixedClock);
    }
    for (auto *buffer : {&in_[0], &in_[1], &out_[0], &out_[1]}) {
        buffer->resize(kBlockSize);
    }
    dispatch(vst2::effOpen);
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(vst2::effSetBlockSize, 0, kBlockSize);
    dispatch(vst2::effMainsChanged, 0, 1);
    freshBank_ = getChunk(false);
}

Plugin &Plugin::forInput() {
    static Plugin plugin;
    plugin.reset();
    return plugin;
}

void Plugin::reset() {
    host::AudioEffect *instance = host::AudioEffect::fromAeffect(effect_);
    if (auto *plugin = dynamic_cast<state::APlugin *>(instance)) {
        if (host::TVstTemplateEditor *editor = plugin->templateEditor()) {
            while (editor->openCount() > 0) {
                dispatch(vst2::effEditClose);
            }
        }
        plugin->SetMidiLearnTarget(-1);
        // The solo and global switches read 0 again; the bank below restores what they set.
        for (int32_t i = 0; i < state::kNumParams; ++i) {
            if (state::kParamTable[static_cast<size_t>(i)].kind == state::ParamKind::Switch) {
                setParameter(i, 0.0f);
            }
        }
    }
    dispatch(vst2::effMainsChanged, 0, 0);
    transport_ = Transport{};
    phase_ = 0;
    budget_ = kFrameBudget;
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(vst2::effSetBlockSize, 0, kBlockSize);
    const auto length = static_cast<intptr_t>(freshBank_.size());
    if (setChunk(freshBank_, length, false) != length) {
        fail("the bank of a fresh instance was refused");
    }
    dispatch(vst2::effMainsChanged, 0, 1);
}

void Plugin::restart() {
    dispatch(vst2::effMainsChanged, 0, 0);
    dispatch(vst2::effMainsChanged, 0, 1);
}

void Plugin::processFrom(ByteReader &in, bool accumulate) {
    const int32_t frames = std::min<int32_t>(in.u16() % (kBlockSize + 1), budget_);
    budget_ -= frames;
    process(frames, accumulate);
}

void Plugin::finishInput() {
    process(std::min(512, budget_));
    checkRoundTrip(false);
}

Plugin::~Plugin() {
    dispatch(vst2::effMainsChanged, 0, 0);
    dispatch(vst2::effClose);
    current = nullptr;
}

intptr_t Plugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void Plugin::setParameter(int32_t index, float value) {
    effect_->setParameter(effect_, index, value);
}

float Plugin::getParameter(int32_t index) {
    const float value = effect_->getParameter(effect_, index);
    if (!(value >= 0.0f && value <= 1.0f)) {
        fail("getParameter(" + std::to_string(index) + ") = " + std::to_string(value));
    }
    return value;
}

void Plugin::process(int32_t frames, bool accumulate) {
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
        std::fill_n(out.begin(), n, accumulate ? 0.25f : std::numeric_limits<float>::quiet_NaN());
    }
    float *inputs[2] = {in_[0].data(), in_[1].data()};
    float *outputs[2] = {out_[0].data(), out_[1].data()};
    (accumulate ? effect_->process : effect_->processReplacing)(effect_, inputs, outputs, frames);
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

std::vector<uint8_t> Plugin::getChunk(bool preset) {
    void *data = nullptr;
    const intptr_t size = dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data);
    if (size < 0 || (size > 0 && data == nullptr)) {
        fail("getChunk gave size " + std::to_string(size) + " at " + (data ? "data" : "null"));
    }
    const auto *bytes = static_cast<const uint8_t *>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t Plugin::setChunk(std::span<const uint8_t> bytes, intptr_t length, bool preset) {
    // A heap block of exactly this size: reading past it is caught by the address sanitizer.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return dispatch(vst2::effSetChunk, preset ? 1 : 0, length, copy.get());
}

void Plugin::checkRoundTrip(bool preset) {
    const char *kind = preset ? "preset" : "bank";
    const std::vector<uint8_t> saved = getChunk(preset);
    const auto length = static_cast<intptr_t>(saved.size());
    const intptr_t accepted = setChunk(saved, length, preset);
    if (accepted != length) {
        fail(std::string("own ") + kind + " chunk of " + std::to_string(length) +
             " bytes answered " + std::to_string(accepted));
    }
    const std::vector<uint8_t> again = getChunk(preset);
    if (again != saved) {
        const auto at = std::mismatch(saved.begin(), saved.end(), again.begin(), again.end());
        fail(std::string(kind) + " chunk changed by its own round trip, first at byte " +
             std::to_string(at.first - saved.begin()));
    }
}

intptr_t Plugin::sendEvents(EventList &events) {
    return dispatch(vst2::effProcessEvents, 0, 0, events.list());
}

void Plugin::armMidiLearn(int32_t tag) {
    if (auto *plugin = dynamic_cast<state::APlugin *>(host::AudioEffect::fromAeffect(effect_))) {
        plugin->SetMidiLearnTarget(tag);
    }
}

intptr_t Plugin::callback(vst2::AEffect * /*effect*/, int32_t opcode, int32_t /*index*/,
                          intptr_t /*value*/, void * /*ptr*/, float /*opt*/) {
    if (opcode == vst2::audioMasterVersion) {
        return 2400;
    }
    return current != nullptr ? current->answer(opcode) : 0;
}

intptr_t Plugin::answer(int32_t opcode) {
    switch (opcode) {
    case vst2::audioMasterGetTime:
        if (!transport_.timeAvailable) {
            return 0;
        }
        timeInfo_ = {};
        timeInfo_.sampleRate = transport_.sampleRate;
        timeInfo_.ppqPos = transport_.ppq;
        timeInfo_.tempo = transport_.tempo;
        timeInfo_.timeSigNumerator = timeInfo_.timeSigDenominator = 4;
        timeInfo_.flags = vst2::kVstPpqPosValid | vst2::kVstTempoValid |
                          (transport_.playing ? vst2::kVstTransportPlaying : 0);
        return reinterpret_cast<intptr_t>(&timeInfo_);
    case vst2::audioMasterTempoAt:
        return static_cast<intptr_t>(std::llround(transport_.tempo * 10000.0));
    case vst2::audioMasterGetSampleRate:
        return transport_.reportRate ? static_cast<intptr_t>(std::llround(transport_.sampleRate))
                                     : 0;
    case vst2::audioMasterGetBlockSize:
        return kBlockSize;
    default:
        return 0;
    }
}

} // namespace frakle::fuzz
