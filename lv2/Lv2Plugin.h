// Lv2Plugin: one LV2 instance. It owns an APlugin and plays the part of a VST host for it, so the
// engine sees exactly what a VST host would hand it: time information from the latest
// time:Position, the sample rate given at instantiation, MIDI atoms as events, changed control
// ports as setParameter calls, the program record as state; its automation notifications say
// which parameters the plug-in changed itself. run() is called on the host's audio thread;
// instantiation, activation and state on the host's main thread; the UI's calls on its UI thread.
#pragma once

#include "host/vst2.h"
#include "lv2/Ports.h"
#include "state/uPlugin.h"

#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace frakle::lv2 {

class Lv2Plugin {
public:
    Lv2Plugin(double sampleRate, LV2_URID_Map &map);
    ~Lv2Plugin();
    Lv2Plugin(const Lv2Plugin &) = delete;
    Lv2Plugin &operator=(const Lv2Plugin &) = delete;

    state::APlugin &plugin() { return *plugin_; }

    void connect(uint32_t port, void *data);
    void activate();
    void deactivate();
    void run(uint32_t frames);
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    // UI thread. A parameter port's value as the host reports it to the UI: applied at once when
    // the plug-in has not taken it yet, so the editor follows the host even between blocks.
    void hostValue(int32_t index, float value);
    // Hands `write` each parameter the plug-in changed itself since the last call (the editor's
    // knobs among them), with its value now, for the UI to write to the host's port.
    template <typename Write> void takeOwnChanges(Write &&write) {
        for (size_t word = 0; word < ownChanges_.size(); ++word) {
            uint64_t bits = ownChanges_[word].exchange(0, std::memory_order_acq_rel);
            while (bits != 0) {
                const int bit = __builtin_ctzll(bits);
                bits &= bits - 1;
                const auto index = static_cast<int32_t>(word * 64 + static_cast<size_t>(bit));
                const float value = plugin_->getParameter(index);
                known_[static_cast<size_t>(index)].store(value, std::memory_order_relaxed);
                write(index, value);
            }
        }
    }

private:
    struct Urids {
        LV2_URID atomChunk, atomDouble, atomFloat, atomInt, atomLong, atomObject, atomBlank;
        LV2_URID midiEvent, timePosition, timeBar, timeBarBeat, timeBeat, timeBeatUnit;
        LV2_URID timeBeatsPerBar, timeBeatsPerMinute, timeSpeed, record;
    };
    // The host's transport as the latest position gave it, moved on by the frames played since.
    struct Transport {
        bool known = false; // no position yet: a VST host that answers no time information
        double quarters = 0.0;
        double tempo = 0.0; // quarter notes per minute
        double speed = 0.0;
        double beatUnit = 4.0;
        double beatsPerBar = 4.0;
    };

    static intptr_t hostCallback(vst2::AEffect *effect, int32_t opcode, int32_t index,
                                 intptr_t value, void *ptr, float opt);
    intptr_t answer(int32_t opcode, int32_t index);
    void takePorts();
    void readPosition(const LV2_Atom *atom);
    bool number(const LV2_Atom *atom, double &out) const;
    // MIDI events before `end`, handed on with delta frames counted from `start`.
    void sendMidi(const LV2_Atom_Event *&event, uint32_t start, uint32_t end);

    std::unique_ptr<state::APlugin> plugin_;
    Urids urids_{};
    double sampleRate_;
    Transport transport_;
    vst2::VstTimeInfo timeInfo_{};

    const float *inputs_[2] = {nullptr, nullptr};
    float *outputs_[2] = {nullptr, nullptr};
    const LV2_Atom_Sequence *time_ = nullptr;
    const LV2_Atom_Sequence *midi_ = nullptr;
    std::array<const float *, state::kNumParams> ports_{};

    // Per parameter: the port's value at the last block (audio thread), and the value the host's
    // port is known to agree with the plug-in on (last taken from the port or written by the UI).
    std::array<float, state::kNumParams> lastRead_{};
    std::array<std::atomic<float>, state::kNumParams> known_{};
    // Set by a restore: the next block takes the ports as they are, without applying them.
    std::atomic<bool> adoptPorts_{false};
    // Parameters the plug-in changed itself, one bit each (any thread).
    std::array<std::atomic<uint64_t>, (state::kNumParams + 63) / 64> ownChanges_{};
};

} // namespace frakle::lv2
