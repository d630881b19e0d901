// Word-by-word copies in and out of the program record, so a reader on another thread always
// sees whole fields.
#include "state/ProgramStore.h"

#include <atomic>
#include <cstring>

namespace frakle::state {

namespace {

constexpr size_t kWords = sizeof(TProgramRecord) / 4;
static_assert(sizeof(TProgramRecord) % 4 == 0);

uint32_t *words(TProgramRecord &record) { return reinterpret_cast<uint32_t *>(&record); }

} // namespace

TProgramStore::TProgramStore() : record_() {}

void TProgramStore::writeRecord(const TProgramRecord &record) {
    uint32_t *to = words(record_);
    for (size_t i = 0; i < kWords; ++i) {
        uint32_t word;
        std::memcpy(&word, reinterpret_cast<const char *>(&record) + 4 * i, 4);
        std::atomic_ref<uint32_t>(to[i]).store(word, std::memory_order_relaxed);
    }
}

void TProgramStore::assign(const uint8_t *data, size_t size) {
    TProgramRecord incoming;
    std::memcpy(&incoming, data, sizeof(TProgramRecord));
    writeRecord(incoming);
    extra_.assign(data + sizeof(TProgramRecord), data + size);
}

void TProgramStore::appendTo(std::vector<uint8_t> &out) const {
    const size_t start = out.size();
    out.resize(start + length());
    uint32_t *from = words(const_cast<TProgramRecord &>(record_));
    for (size_t i = 0; i < kWords; ++i) {
        const uint32_t word = std::atomic_ref<uint32_t>(from[i]).load(std::memory_order_relaxed);
        std::memcpy(out.data() + start + 4 * i, &word, 4);
    }
    if (!extra_.empty()) {
        std::memcpy(out.data() + start + sizeof(TProgramRecord), extra_.data(), extra_.size());
    }
}

} // namespace frakle::state
