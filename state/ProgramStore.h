// The store of one program: the program record at a fixed address, overwritten in place by a
// load so the audio thread never reads released memory, plus any bytes a longer chunk carried
// beyond the record (kept for the next save). The extra bytes and the output buffers belong to
// the UI thread.
#pragma once

#include "state/ProgramRecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace frakle::state {

class TProgramStore {
public:
    TProgramStore();

    TProgramRecord &record() { return record_; }
    const TProgramRecord &record() const { return record_; }

    size_t length() const { return sizeof(TProgramRecord) + extra_.size(); }

    // Replaces the whole store with `size` bytes (at least one record's worth).
    void assign(const uint8_t *data, size_t size);
    // Overwrites the record, keeping any extra bytes.
    void writeRecord(const TProgramRecord &record);
    // Appends the stored bytes to `out`, each record word read whole.
    void appendTo(std::vector<uint8_t> &out) const;

private:
    alignas(8) TProgramRecord record_;
    std::vector<uint8_t> extra_;
};

} // namespace frakle::state
