// An LV2 host for tests, built on Debian's lilv: loads build/frakle.lv2, connects every port as
// a host does, sends time:Position and MIDI atoms, saves and restores state through the
// plug-in's state interface. One instance is driven from one thread at a time.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace frakle::lv2_tests {

constexpr uint32_t kFirstParameterPort = 6;
constexpr uint32_t kNumParameters = 147;
constexpr uint32_t kNumPorts = kFirstParameterPort + kNumParameters;
constexpr uint32_t kMaxBlock = 4096;

inline LV2_URID urid(const char *uri) {
    static std::mutex mutex;
    static std::vector<std::string> uris;
    const std::lock_guard lock(mutex);
    const auto at = static_cast<size_t>(std::find(uris.begin(), uris.end(), uri) - uris.begin());
    if (at == uris.size()) {
        uris.emplace_back(uri);
    }
    return static_cast<LV2_URID>(at + 1);
}

// The lilv world with the bundle loaded, shared by every instance of the process.
struct Bundle {
    mutable LV2_URID_Map map{nullptr,
                             [](LV2_URID_Map_Handle, const char *uri) { return urid(uri); }};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature *features[2] = {&mapFeature, nullptr};
    LilvWorld *world = lilv_world_new();
    const LilvPlugin *plugin = nullptr;

    Bundle() {
        LilvNode *path = lilv_new_file_uri(world, nullptr, FRAKLE_BUILD_DIR "/frakle.lv2/");
        lilv_world_load_bundle(world, path);
        LilvNode *name = uri("urn:mosko:frakle");
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), name);
        lilv_node_free(path);
        lilv_node_free(name);
        if (plugin == nullptr) {
            throw std::runtime_error("build/frakle.lv2 does not describe urn:mosko:frakle");
        }
    }
    LilvNode *uri(const char *text) const { return lilv_new_uri(world, text); }
};
inline const Bundle &bundle() {
    static const Bundle loaded;
    return loaded;
}

struct Position {
    double beat;
    float bpm;
    float speed;
};

class Lv2Instance {
public:
    explicit Lv2Instance(double rate = 44100.0)
        : instance_(lilv_plugin_instantiate(bundle().plugin, rate, bundle().features)) {
        if (instance_ == nullptr) {
            throw std::runtime_error("instantiation failed");
        }
        std::vector<float> defaults(kNumPorts);
        lilv_plugin_get_port_ranges_float(bundle().plugin, nullptr, nullptr, defaults.data());
        for (uint32_t i = 0; i < kNumParameters; ++i) {
            controls_[i] = defaults[kFirstParameterPort + i];
            lilv_instance_connect_port(instance_, kFirstParameterPort + i, &controls_[i]);
        }
        for (uint32_t port = 0; port < 4; ++port) {
            audio_[port].assign(kMaxBlock, 0.0f);
            lilv_instance_connect_port(instance_, port, audio_[port].data());
        }
        forgeAll();
        lilv_instance_connect_port(instance_, 4, time_.data());
        lilv_instance_connect_port(instance_, 5, midi_.data());
        lilv_instance_activate(instance_);
    }
    ~Lv2Instance() {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
    Lv2Instance(const Lv2Instance &) = delete;
    Lv2Instance &operator=(const Lv2Instance &) = delete;

    LilvInstance *instance() { return instance_; }
    float &control(int32_t parameter) { return controls_[static_cast<size_t>(parameter)]; }

    // Atoms for the next block, at the given frame.
    void position(const Position &p, uint32_t frame = 0) { pending_.push_back({frame, p, {}}); }
    void midi(std::array<uint8_t, 3> bytes, uint32_t frame = 0) {
        pending_.push_back({frame, std::nullopt, bytes});
    }
    // One block; the output spans get the plug-in's output.
    void run(std::span<const float> left, std::span<const float> right, std::span<float> outLeft,
             std::span<float> outRight) {
        const size_t n = left.size();
        std::copy(left.begin(), left.end(), audio_[0].begin());
        std::copy(right.begin(), right.end(), audio_[1].begin());
        forgeAll();
        pending_.clear();
        lilv_instance_run(instance_, static_cast<uint32_t>(n));
        std::copy_n(audio_[2].begin(), n, outLeft.begin());
        std::copy_n(audio_[3].begin(), n, outRight.begin());
        forgeAll(); // empty again, as a host leaves them between blocks
    }

    // The program record as the plug-in saves it (type atom:Chunk), or nothing.
    std::optional<std::vector<uint8_t>> save() {
        Blob blob;
        const auto store = [](LV2_State_Handle handle, uint32_t key, const void *value, size_t size,
                              uint32_t type, uint32_t) {
            if (key != urid("urn:mosko:frakle#record")) {
                return LV2_STATE_ERR_NO_PROPERTY;
            }
            const auto *bytes = static_cast<const uint8_t *>(value);
            *static_cast<Blob *>(handle) = {{bytes, bytes + size}, type};
            return LV2_STATE_SUCCESS;
        };
        if (state().save(lilv_instance_get_handle(instance_), store, &blob, 0, bundle().features) !=
                LV2_STATE_SUCCESS ||
            blob.type != urid(LV2_ATOM__Chunk)) {
            return std::nullopt;
        }
        return blob.bytes;
    }
    // Restores a record of the given type (atom:Chunk when 0); the plug-in's answer.
    int restore(const std::vector<uint8_t> &bytes, uint32_t type = 0) {
        Blob blob{bytes, type != 0 ? type : urid(LV2_ATOM__Chunk)};
        const auto retrieve = [](LV2_State_Handle handle, uint32_t key, size_t *size,
                                 uint32_t *valueType, uint32_t *flags) -> const void * {
            const auto *b = static_cast<const Blob *>(handle);
            if (key != urid("urn:mosko:frakle#record")) {
                return nullptr;
            }
            *size = b->bytes.size();
            *valueType = b->type;
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            return b->bytes.data();
        };
        return state().restore(lilv_instance_get_handle(instance_), retrieve, &blob, 0,
                               bundle().features);
    }

private:
    struct Pending {
        uint32_t frame;
        std::optional<Position> position;
        std::array<uint8_t, 3> midi;
    };
    struct Blob {
        std::vector<uint8_t> bytes;
        uint32_t type = 0;
    };

    const LV2_State_Interface &state() {
        const auto *iface = static_cast<const LV2_State_Interface *>(
            lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
        if (iface == nullptr) {
            throw std::runtime_error("no state interface");
        }
        return *iface;
    }
    void forgeAll() {
        forge(time_, true);
        forge(midi_, false);
    }
    // Writes the pending atoms of one kind into `buffer` as a sequence, in frame order as given.
    void forge(std::vector<uint8_t> &buffer, bool time) {
        LV2_Atom_Forge f;
        lv2_atom_forge_init(&f, &bundle().map);
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

    LilvInstance *instance_ = nullptr;
    std::array<float, kNumParameters> controls_{};
    std::array<std::vector<float>, 4> audio_;
    std::vector<uint8_t> time_ = std::vector<uint8_t>(8192);
    std::vector<uint8_t> midi_ = std::vector<uint8_t>(8192);
    std::vector<Pending> pending_;
};

} // namespace frakle::lv2_tests
