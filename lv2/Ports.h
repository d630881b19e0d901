// The LV2 face of the plug-in: its URIs, the order of its ports and the symbols of the parameter
// ports. Constant data and a pure function, used by the bundle's Turtle generator at build time
// and by the wrapper on any thread.
#pragma once

#include "state/ParameterTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace frakle::lv2 {

constexpr const char *kPluginUri = "urn:mosko:frakle";
constexpr const char *kUiUri = "urn:mosko:frakle#ui";
// The state property that holds the whole program record.
constexpr const char *kRecordUri = "urn:mosko:frakle#record";

// Audio in and out, the host's time positions, MIDI, then one control port per parameter in
// parameter order: port kFirstParameterPort + i is parameter i.
enum Port : uint32_t {
    kInputLeft = 0,
    kInputRight = 1,
    kOutputLeft = 2,
    kOutputRight = 3,
    kTimeInput = 4,
    kMidiInput = 5,
    kFirstParameterPort = 6,
};
constexpr uint32_t kNumPorts = kFirstParameterPort + state::kNumParams;

// The port symbols of the parameters, in parameter order: the label in lower case, each run of
// other characters one '_'; a label met a second time gets "_2". Saved sessions refer to ports
// by these, so they never change once released.
std::vector<std::string> ParameterSymbols();

} // namespace frakle::lv2
