// The lilv test host: world, URID map, instances, atoms and state. Test thread.
#include "tests/lv2/Lv2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <string>

namespace frakle::lv2_tests {

namespace {

LV2_URID mapUri(LV2_URID_Map_Handle /*handle*/, const char *uri) {
    static std::mutex mutex;
    static std::vector<std::string> uris;
    const std::lock_guard lock(mutex);
    for (size_t i = 0; i < uris.size(); ++i) {
        if (uris[i] == uri) {
            return static_cast<LV2_URID>(i + 1);
        }
    }
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

LV2_URID_Map gMap{nullptr, mapUri};
LV2_Feature gMapFeature{LV2_URID__map, &gMap};
const LV2_Feature *const gFeatures[] = {&gMapFeature, nullptr};

LV2_URID urid(const char *uri) { return mapUri(nullptr, uri); }

struct Blob {
    std::vector<uint8_t> bytes;
    uint32_t type = 0;
};

LV2_State_Status storeBlob(LV2_State_Handle handle, uint32_t key, const void *value, size_t size,
                           uint32_t type, uint32_t /*flags*/) {
    auto *blob = static_cast<Blob *>(handle);
    if (key != urid("urn:mosko:frakle#record")) {
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    const auto *bytes = static_cast<const uint8_t *>(value);
    blob->bytes.assign(bytes, bytes + size);
    blob->type = type;
    return LV2_STATE_SUCCESS;
}

const void *retrieveBlob(LV2_State_Handle handle, uint32_t key, size_t *size, uint32_t *type,
                         uint32_t *flags) {
    auto *blob = static_cast<Blob *>(handle);
    if (key != urid("urn:mosko:frakle#record")) {
        return nullptr;
    }
    *size = blob->bytes.size();
    *type = blob->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return blob->bytes.data();
}

const LV2_State_Interface &stateInterface(LilvInstance *instance) {
    const auto *state = static_cast<const LV2_State_Interface *>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    if (state == nullptr) {
        throw std::runtime_error("no state interface");
    }
    return *state;
}

} // namespace

const Bundle &bundle() {
    static const Bundle loaded = [] {
        LilvWorld *world = lilv_world_new();
        LilvNode *path = lilv_new_file_uri(world, nullptr, FRAKLE_BUILD_DIR "/frakle.lv2/");
        lilv_world_load_bundle(world, path);
        lilv_node_free(path);
        LilvNode *uri = lilv_new_uri(world, "urn:mosko:frakle");
        const LilvPlugin *plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        if (plugin == nullptr) {
            throw std::runtime_error("build/frakle.lv2 does not describe urn:mosko:frakle");
        }
        return Bundle{world, plugin, &gMap};
    }();
    return loaded;
}

Lv2Instance::Lv2Instance(double rate) {
    const Bundle &b = bundle();
    instance_ = lilv_plugin_instantiate(b.plugin, rate, gFeatures);
    if (instance_ == nullptr) {
        throw std::runtime_error("instantiation failed");
    }
    std::vector<float> defaults(kNumPorts);
    lilv_plugin_get_port_ranges_float(b.plugin, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < 147; ++i) {
        controls_[i] = defaults[kFirstParameterPort + i];
        lilv_instance_connect_port(instance_, kFirstParameterPort + i, &controls_[i]);
    }
    for (uint32_t port = 0; port < 4; ++port) {
        audio_[port].assign(kMaxBlock, 0.0f);
        lilv_instance_connect_port(instance_, port, audio_[port].data());
    }
    forge(time_, true);
    forge(midi_, false);
    lilv_instance_connect_port(instance_, 4, time_.data());
    lilv_instance_connect_port(instance_, 5, midi_.data());
    lilv_instance_activate(instance_);
}

Lv2Instance::~Lv2Instance() {
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

void Lv2Instance::position(const Position &p, uint32_t frame) {
    pending_.push_back({frame, p, {}});
}

void Lv2Instance::midi(std::array<uint8_t, 3> bytes, uint32_t frame) {
    pending_.push_back({frame, std::nullopt, bytes});
}

// Writes the pending atoms of one kind into `buffer` as a sequence, in frame order as given.
void Lv2Instance::forge(std::vector<uint8_t> &buffer, bool time) {
    LV2_Atom_Forge f;
    lv2_atom_forge_init(&f, &gMap);
    lv2_atom_forge_set_buffer(&f, buffer.data(), buffer.size());
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&f, &sequence, 0);
    for (const Pending &e : pending_) {
        if (e.position.has_value() != time) {
            continue;
        }
        lv2_atom_forge_frame_time(&f, e.frame);
        if (!time) {
            lv2_atom_forge_atom(&f, 3, urid(LV2_MIDI__MidiEvent));
            lv2_atom_forge_write(&f, e.midi.data(), 3);
            continue;
        }
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_object(&f, &object, 0, urid(LV2_TIME__Position));
        lv2_atom_forge_key(&f, urid(LV2_TIME__beat));
        lv2_atom_forge_double(&f, e.position->beat);
        lv2_atom_forge_key(&f, urid(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&f, e.position->bpm);
        lv2_atom_forge_key(&f, urid(LV2_TIME__speed));
        lv2_atom_forge_float(&f, e.position->speed);
        lv2_atom_forge_key(&f, urid(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&f, 4);
        lv2_atom_forge_pop(&f, &object);
    }
    lv2_atom_forge_pop(&f, &sequence);
}

void Lv2Instance::run(std::span<const float> left, std::span<const float> right,
                      std::span<float> outLeft, std::span<float> outRight) {
    const size_t n = left.size();
    std::copy(left.begin(), left.end(), audio_[0].begin());
    std::copy(right.begin(), right.end(), audio_[1].begin());
    forge(time_, true);
    forge(midi_, false);
    pending_.clear();
    lilv_instance_run(instance_, static_cast<uint32_t>(n));
    std::copy_n(audio_[2].begin(), n, outLeft.begin());
    std::copy_n(audio_[3].begin(), n, outRight.begin());
    forge(time_, true); // empty again, as a host leaves them between blocks
    forge(midi_, false);
}

std::optional<std::vector<uint8_t>> Lv2Instance::save() {
    Blob blob;
    const LV2_State_Interface &state = stateInterface(instance_);
    if (state.save(lilv_instance_get_handle(instance_), storeBlob, &blob, 0, gFeatures) !=
            LV2_STATE_SUCCESS ||
        blob.type != urid(LV2_ATOM__Chunk)) {
        return std::nullopt;
    }
    return blob.bytes;
}

int Lv2Instance::restore(const std::vector<uint8_t> &bytes, uint32_t type) {
    Blob blob{bytes, type != 0 ? type : urid(LV2_ATOM__Chunk)};
    const LV2_State_Interface &state = stateInterface(instance_);
    return state.restore(lilv_instance_get_handle(instance_), retrieveBlob, &blob, 0, gFeatures);
}

} // namespace frakle::lv2_tests
