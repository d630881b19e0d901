// MIDI: what a message asks of the plug-in, the control-tag → parameter mapping that keys MIDI
// learn, and the controller map in the program record. Runs on whichever thread delivers MIDI,
// and on the UI thread for learning from the editor.
#pragma once

#include "state/ProgramRecord.h"

#include <cstdint>

namespace frakle::midi {

// The parameter behind an editor control tag, or -1 when the control has none.
int32_t TagToParameter(int32_t tag);

// Binds `controller` to `parameter`; no other controller keeps driving that parameter.
void Learn(state::TProgramRecord &record, int32_t parameter, int32_t controller);
// Removes every binding of `parameter`.
void Forget(state::TProgramRecord &record, int32_t parameter);
// The parameter a controller drives, or -1.
int32_t BoundParameter(const state::TProgramRecord &record, int32_t controller);

struct MidiAction {
    enum class Kind : uint8_t { None, SetParameter, ControlChange };
    Kind kind = Kind::None;
    int32_t index = -1; // SetParameter: the parameter; ControlChange: the controller
    float value = 0.0f; // 0 … 1
};

// Decodes one channel message (any channel): pattern notes, solo and global notes, and
// controller changes. Everything else is None.
MidiAction Decode(const uint8_t bytes[3]);

} // namespace frakle::midi
