// The LV2 instance around APlugin and the plug-in's LV2 descriptor. run() on the host's audio
// thread (no allocation, locks or system calls of its own); the rest on the host's main thread.
#include "lv2/Lv2Plugin.h"

#include "editor/uEditor.h"

#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace frakle::lv2 {

namespace {

constexpr intptr_t kHostVersion = 2400;

// What a VST host answers for a rate or tempo: an integer (the tempo times 10000).
intptr_t integerAnswer(double value) {
    return std::fabs(value) < 9.2e18 ? static_cast<intptr_t>(std::llround(value)) : 0;
}

} // namespace

Lv2Plugin::Lv2Plugin(double sampleRate, LV2_URID_Map &map) : sampleRate_(sampleRate) {
    const auto id = [&map](const char *uri) { return map.map(map.handle, uri); };
    urids_ = {id(LV2_ATOM__Chunk),
              id(LV2_ATOM__Double),
              id(LV2_ATOM__Float),
              id(LV2_ATOM__Int),
              id(LV2_ATOM__Long),
              id(LV2_ATOM__Object),
              id(LV2_ATOM__Blank),
              id(LV2_MIDI__MidiEvent),
              id(LV2_TIME__Position),
              id(LV2_TIME__bar),
              id(LV2_TIME__barBeat),
              id(LV2_TIME__beat),
              id(LV2_TIME__beatUnit),
              id(LV2_TIME__beatsPerBar),
              id(LV2_TIME__beatsPerMinute),
              id(LV2_TIME__speed),
              id(kRecordUri)};
    plugin_ = std::make_unique<state::APlugin>(hostCallback, &editor::EditorFormClass());
    plugin_->getAeffect()->user = this;
    plugin_->setSampleRate(static_cast<float>(sampleRate));
    for (int32_t i = 0; i < state::kNumParams; ++i) {
        lastRead_[static_cast<size_t>(i)] = std::numeric_limits<float>::quiet_NaN();
        known_[static_cast<size_t>(i)].store(plugin_->getParameter(i), std::memory_order_relaxed);
    }
    for (std::atomic<uint64_t> &word : ownChanges_) {
        word.store(0, std::memory_order_relaxed); // the default program is what the ports say
    }
}

Lv2Plugin::~Lv2Plugin() = default;

void Lv2Plugin::connect(uint32_t port, void *data) {
    switch (port) {
    case kInputLeft:
    case kInputRight:
        inputs_[port - kInputLeft] = static_cast<const float *>(data);
        return;
    case kOutputLeft:
    case kOutputRight:
        outputs_[port - kOutputLeft] = static_cast<float *>(data);
        return;
    case kTimeInput:
        time_ = static_cast<const LV2_Atom_Sequence *>(data);
        return;
    case kMidiInput:
        midi_ = static_cast<const LV2_Atom_Sequence *>(data);
        return;
    default:
        if (port >= kFirstParameterPort && port < kNumPorts) {
            ports_[port - kFirstParameterPort] = static_cast<const float *>(data);
        }
        return;
    }
}

void Lv2Plugin::activate() { plugin_->resume(); }

void Lv2Plugin::deactivate() { plugin_->suspend(); }

// --- the VST host's part -------------------------------------------------------------------

intptr_t Lv2Plugin::hostCallback(vst2::AEffect *effect, int32_t opcode, int32_t index,
                                 intptr_t /*value*/, void * /*ptr*/, float /*opt*/) {
    auto *self = effect != nullptr ? static_cast<Lv2Plugin *>(effect->user) : nullptr;
    if (opcode == vst2::audioMasterVersion) {
        return kHostVersion;
    }
    return self != nullptr ? self->answer(opcode, index) : 0;
}

intptr_t Lv2Plugin::answer(int32_t opcode, int32_t index) {
    switch (opcode) {
    case vst2::audioMasterAutomate:
        if (index >= 0 && index < state::kNumParams) {
            ownChanges_[static_cast<size_t>(index / 64)].fetch_or(uint64_t{1} << (index % 64),
                                                                  std::memory_order_acq_rel);
        }
        return 0;
    case vst2::audioMasterGetTime:
        if (!transport_.known) {
            return 0;
        }
        timeInfo_ = {};
        timeInfo_.sampleRate = sampleRate_;
        timeInfo_.ppqPos = transport_.quarters;
        timeInfo_.tempo = transport_.tempo;
        timeInfo_.timeSigNumerator = static_cast<int32_t>(transport_.beatsPerBar);
        timeInfo_.timeSigDenominator = static_cast<int32_t>(transport_.beatUnit);
        timeInfo_.flags = vst2::kVstPpqPosValid | vst2::kVstTempoValid | vst2::kVstTimeSigValid;
        if (transport_.speed != 0.0) {
            timeInfo_.flags |= vst2::kVstTransportPlaying;
        }
        return reinterpret_cast<intptr_t>(&timeInfo_);
    case vst2::audioMasterTempoAt:
        return transport_.known ? integerAnswer(transport_.tempo * 10000.0) : 0;
    case vst2::audioMasterGetSampleRate:
        return integerAnswer(sampleRate_);
    default:
        return 0;
    }
}

// --- audio ---------------------------------------------------------------------------------

void Lv2Plugin::takePorts() {
    const bool adopt = adoptPorts_.exchange(false, std::memory_order_acq_rel);
    for (int32_t i = 0; i < state::kNumParams; ++i) {
        const auto k = static_cast<size_t>(i);
        if (ports_[k] == nullptr) {
            continue;
        }
        const float value = *ports_[k];
        if (adopt) {
            lastRead_[k] = value;
            known_[k].store(value, std::memory_order_relaxed);
            continue;
        }
        // Only a value the host changed since the last block: the plug-in's own changes stand
        // against a port that still shows the older value.
        if (value == lastRead_[k]) {
            continue;
        }
        lastRead_[k] = value;
        if (known_[k].exchange(value, std::memory_order_relaxed) != value) {
            plugin_->setParameter(i, value);
        }
    }
}

bool Lv2Plugin::number(const LV2_Atom *atom, double &out) const {
    if (atom == nullptr) {
        return false;
    }
    if (atom->type == urids_.atomDouble) {
        out = reinterpret_cast<const LV2_Atom_Double *>(atom)->body;
    } else if (atom->type == urids_.atomFloat) {
        out = reinterpret_cast<const LV2_Atom_Float *>(atom)->body;
    } else if (atom->type == urids_.atomLong) {
        out = static_cast<double>(reinterpret_cast<const LV2_Atom_Long *>(atom)->body);
    } else if (atom->type == urids_.atomInt) {
        out = reinterpret_cast<const LV2_Atom_Int *>(atom)->body;
    } else {
        return false;
    }
    return std::isfinite(out);
}

void Lv2Plugin::readPosition(const LV2_Atom *atom) {
    if (atom->type != urids_.atomObject && atom->type != urids_.atomBlank) {
        return;
    }
    const auto *object = reinterpret_cast<const LV2_Atom_Object *>(atom);
    if (object->body.otype != urids_.timePosition) {
        return;
    }
    const LV2_Atom *bar = nullptr;
    const LV2_Atom *barBeat = nullptr;
    const LV2_Atom *beat = nullptr;
    const LV2_Atom *beatUnit = nullptr;
    const LV2_Atom *beatsPerBar = nullptr;
    const LV2_Atom *bpm = nullptr;
    const LV2_Atom *speed = nullptr;
    lv2_atom_object_get(object, urids_.timeBar, &bar, urids_.timeBarBeat, &barBeat, urids_.timeBeat,
                        &beat, urids_.timeBeatUnit, &beatUnit, urids_.timeBeatsPerBar, &beatsPerBar,
                        urids_.timeBeatsPerMinute, &bpm, urids_.timeSpeed, &speed, 0);
    Transport &t = transport_;
    double v = 0.0;
    if (number(beatUnit, v) && v > 0.0) {
        t.beatUnit = v;
    }
    if (number(beatsPerBar, v) && v > 0.0) {
        t.beatsPerBar = v;
    }
    // Beats count in the unit of the time signature; the engine counts quarter notes.
    const double quartersPerBeat = 4.0 / t.beatUnit;
    if (number(bpm, v)) {
        t.tempo = v * quartersPerBeat;
    }
    if (number(speed, v)) {
        t.speed = v;
    }
    double barNumber = 0.0;
    double beatInBar = 0.0;
    if (number(beat, v)) {
        t.quarters = v * quartersPerBeat;
    } else if (number(bar, barNumber) && number(barBeat, beatInBar)) {
        t.quarters = (barNumber * t.beatsPerBar + beatInBar) * quartersPerBeat;
    }
    t.known = true;
}

void Lv2Plugin::sendMidi(const LV2_Atom_Event *&event, uint32_t start, uint32_t end) {
    if (midi_ == nullptr) {
        return;
    }
    constexpr int32_t kBatch = 64;
    host::MidiMessage batch[kBatch];
    int32_t count = 0;
    for (; !lv2_atom_sequence_is_end(&midi_->body, midi_->atom.size, event);
         event = lv2_atom_sequence_next(event)) {
        if (event->time.frames >= static_cast<int64_t>(end)) {
            break;
        }
        if (event->body.type != urids_.midiEvent || event->body.size == 0 || event->body.size > 3) {
            continue;
        }
        host::MidiMessage &m = batch[count];
        const auto *bytes = reinterpret_cast<const uint8_t *>(event + 1);
        m = {std::max<int32_t>(0, static_cast<int32_t>(event->time.frames - start)), {0, 0, 0}};
        std::memcpy(m.bytes, bytes, event->body.size);
        if (++count == kBatch) {
            plugin_->processEvents(batch, count);
            count = 0;
        }
    }
    if (count > 0) {
        plugin_->processEvents(batch, count);
    }
}

void Lv2Plugin::run(uint32_t frames) {
    takePorts();
    const LV2_Atom_Event *position =
        time_ != nullptr ? lv2_atom_sequence_begin(&time_->body) : nullptr;
    const LV2_Atom_Event *midiEvent =
        midi_ != nullptr ? lv2_atom_sequence_begin(&midi_->body) : nullptr;
    const auto positionsLeft = [this, &position] {
        return position != nullptr &&
               !lv2_atom_sequence_is_end(&time_->body, time_->atom.size, position);
    };
    // The block is cut where a position arrives, as a VST host would start a new block there.
    uint32_t done = 0;
    do {
        while (positionsLeft() && position->time.frames <= static_cast<int64_t>(done)) {
            readPosition(&position->body);
            position = lv2_atom_sequence_next(position);
        }
        uint32_t end = frames;
        if (positionsLeft() && position->time.frames < static_cast<int64_t>(frames)) {
            end = static_cast<uint32_t>(position->time.frames);
        }
        sendMidi(midiEvent, done, end == frames ? UINT32_MAX : end);
        float *in[2] = {inputs_[0] != nullptr ? const_cast<float *>(inputs_[0]) + done : nullptr,
                        inputs_[1] != nullptr ? const_cast<float *>(inputs_[1]) + done : nullptr};
        float *out[2] = {outputs_[0] != nullptr ? outputs_[0] + done : nullptr,
                         outputs_[1] != nullptr ? outputs_[1] + done : nullptr};
        plugin_->processReplacing(in, out, static_cast<int32_t>(end - done));
        if (transport_.known && transport_.speed != 0.0) {
            const double beats =
                static_cast<double>(end - done) * transport_.tempo / (60.0 * sampleRate_);
            if (std::isfinite(beats)) {
                transport_.quarters += beats * transport_.speed;
            }
        }
        done = end;
    } while (done < frames);
    while (positionsLeft()) { // stamped beyond the block: they hold from the next one
        readPosition(&position->body);
        position = lv2_atom_sequence_next(position);
    }
}

// --- state ---------------------------------------------------------------------------------

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    void *data = nullptr;
    const int32_t size = plugin_->getChunk(&data, true);
    if (size <= 0 || data == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    return store(handle, urids_.record, data, static_cast<size_t>(size), urids_.atomChunk,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void *data = retrieve(handle, urids_.record, &size, &type, &flags);
    if (data == nullptr) {
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    if (type != urids_.atomChunk) {
        return LV2_STATE_ERR_BAD_TYPE;
    }
    // Refused as the VST build refuses a bad chunk: the instance keeps its program.
    if (size > static_cast<size_t>(state::APlugin::kMaxChunkSize) ||
        plugin_->setChunk(data, static_cast<int32_t>(size), true) == 0) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    // The ports still hold what the host saved beside the record; the record is the program.
    adoptPorts_.store(true, std::memory_order_release);
    return LV2_STATE_SUCCESS;
}

void Lv2Plugin::hostValue(int32_t index, float value) {
    if (index < 0 || index >= state::kNumParams) {
        return;
    }
    float known = known_[static_cast<size_t>(index)].load(std::memory_order_relaxed);
    if (known != value &&
        known_[static_cast<size_t>(index)].compare_exchange_strong(known, value)) {
        plugin_->setParameter(index, value);
    }
}

// --- descriptor ----------------------------------------------------------------------------

namespace {

Lv2Plugin *self(LV2_Handle handle) { return static_cast<Lv2Plugin *>(handle); }

LV2_Handle instantiate(const LV2_Descriptor * /*descriptor*/, double rate,
                       const char * /*bundlePath*/, const LV2_Feature *const *features) {
    LV2_URID_Map *map = nullptr;
    for (const LV2_Feature *const *f = features; f != nullptr && *f != nullptr; ++f) {
        if (std::strcmp((*f)->URI, LV2_URID__map) == 0) {
            map = static_cast<LV2_URID_Map *>((*f)->data);
        }
    }
    if (map == nullptr || !(rate > 0.0) || !std::isfinite(rate)) {
        return nullptr;
    }
    try {
        return new Lv2Plugin(rate, *map);
    } catch (...) {
        return nullptr; // nothing may escape into the host
    }
}

void connectPort(LV2_Handle h, uint32_t port, void *data) { self(h)->connect(port, data); }
void activate(LV2_Handle h) { self(h)->activate(); }
void run(LV2_Handle h, uint32_t frames) { self(h)->run(frames); }
void deactivate(LV2_Handle h) { self(h)->deactivate(); }
void cleanup(LV2_Handle h) { delete self(h); }

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t /*flags*/, const LV2_Feature *const * /*features*/) {
    try {
        return self(h)->save(store, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t /*flags*/,
                         const LV2_Feature *const * /*features*/) {
    try {
        return self(h)->restore(retrieve, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

const LV2_State_Interface kStateInterface{save, restore};

const void *extensionData(const char *uri) {
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &kStateInterface : nullptr;
}

const LV2_Descriptor kDescriptor{kPluginUri, instantiate, connectPort, activate,
                                 run,        deactivate,  cleanup,     extensionData};

} // namespace

} // namespace frakle::lv2

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor *lv2_descriptor(uint32_t index) {
    return index == 0 ? &frakle::lv2::kDescriptor : nullptr;
}
