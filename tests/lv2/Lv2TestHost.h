// An LV2 host for tests, built on Debian's lilv: loads build/frakle.lv2, connects every port as
// a host does, sends time:Position and MIDI atoms, saves and restores state through the
// plug-in's state interface. One instance is driven from one thread at a time.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace frakle::lv2_tests {

constexpr uint32_t kFirstParameterPort = 6;
constexpr uint32_t kNumPorts = kFirstParameterPort + 147;
constexpr uint32_t kMaxBlock = 4096;

// The lilv world with the bundle loaded, shared by every instance of the process.
struct Bundle {
    LilvWorld *world;
    const LilvPlugin *plugin;
    LV2_URID_Map *map;
    LilvNode *uri(const char *text) const { return lilv_new_uri(world, text); }
};
const Bundle &bundle();

struct Position {
    double beat;
    float bpm;
    float speed;
};

class Lv2Instance {
public:
    explicit Lv2Instance(double rate = 44100.0);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance &) = delete;
    Lv2Instance &operator=(const Lv2Instance &) = delete;

    LilvInstance *instance() { return instance_; }
    float &control(int32_t parameter) { return controls_[static_cast<size_t>(parameter)]; }

    // Atoms for the next block, at the given frame.
    void position(const Position &p, uint32_t frame = 0);
    void midi(std::array<uint8_t, 3> bytes, uint32_t frame = 0);
    // One block; the output spans get the plug-in's output.
    void run(std::span<const float> left, std::span<const float> right, std::span<float> outLeft,
             std::span<float> outRight);

    // The program record as the plug-in saves it (type atom:Chunk), or nothing.
    std::optional<std::vector<uint8_t>> save();
    // Restores a record of the given type (atom:Chunk when 0); the plug-in's answer.
    int restore(const std::vector<uint8_t> &bytes, uint32_t type = 0);

private:
    struct Pending {
        uint32_t frame;
        std::optional<Position> position;
        std::array<uint8_t, 3> midi;
    };
    void forge(std::vector<uint8_t> &buffer, bool time);

    LilvInstance *instance_ = nullptr;
    std::array<float, 147> controls_{};
    std::array<std::vector<float>, 4> audio_;
    std::vector<uint8_t> time_ = std::vector<uint8_t>(8192);
    std::vector<uint8_t> midi_ = std::vector<uint8_t>(8192);
    std::vector<Pending> pending_;
};

} // namespace frakle::lv2_tests
