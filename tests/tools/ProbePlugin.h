// What the probe plug-in records about its host, shared by the probe and the tests reading it.
#pragma once

#include "host/vst2.h"

#include <cstdint>

namespace frakle::tools::probe {

// effVendorSpecific indices the probe answers.
constexpr int32_t kLogRequest = vst2::fourCC('l', 'o', 'g', '?');      // returns ProbeLog*
constexpr int32_t kCallHostRequest = vst2::fourCC('c', 'a', 'l', 'l'); // ptr: HostCall*

// A callback the probe makes on request, as if of its own accord; returns the host's answer.
struct HostCall {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void *ptr;
    float opt;
};

constexpr int32_t kUniqueId = vst2::fourCC('F', 'k', 'P', 'b');

// Parameters: 0 "Gain" (output = input × 2 × gain), 1 "Beat" (at 0.5 and above the right
// output carries the song position at each block's start, -1 without time info), 2 and 3
// both "Spare".
constexpr int32_t kNumParams = 4;

struct ProbeLog {
    int32_t accumulatingCalls;
    int32_t lastFrames;
};

} // namespace frakle::tools::probe

// Number of effClose calls the probe library has seen in this process.
extern "C" int frakleProbeCloseCount();
