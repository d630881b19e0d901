// A plug-in object made directly, with a host callback that records automation, for tests of
// what parameter changes, programs and MIDI do inside the model.
#pragma once

#include "state/ParameterTable.h"
#include "state/uPlugin.h"

#include <memory>
#include <vector>

namespace frakle::state {

struct Automated {
    int32_t index;
    float value;
};

class PluginHarness {
public:
    PluginHarness() : plugin_(std::make_unique<APlugin>(&callback)) { sent().clear(); }

    APlugin &plugin() { return *plugin_; }
    static std::vector<Automated> &sent() {
        static std::vector<Automated> list;
        return list;
    }
    float recorded(int32_t index) {
        return FloatAt(plugin_->record(), kParamTable[index].recordOffset);
    }

    void midi(uint8_t status, uint8_t data1, uint8_t data2) {
        host::MidiMessage message{0, {status, data1, data2}};
        plugin_->processEvents(&message, 1);
    }

    // Plays `frames` frames of silence with the transport running.
    void play(int32_t frames, double ppq = 0.0) {
        std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
        float *io[2] = {l.data(), r.data()};
        engine::BlockTiming timing{44100.0, 120.0, true, ppq, true};
        plugin_->engine().processBlock(timing, io, io, frames, false);
    }

private:
    static intptr_t callback(vst2::AEffect *, int32_t opcode, int32_t index, intptr_t, void *,
                             float opt) {
        if (opcode == vst2::audioMasterVersion) {
            return 2400;
        }
        if (opcode == vst2::audioMasterAutomate) {
            sent().push_back({index, opt});
        }
        return 0;
    }

    std::unique_ptr<APlugin> plugin_;
};

} // namespace frakle::state
