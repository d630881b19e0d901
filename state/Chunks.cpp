// Preset and bank chunks: what the host saves in its projects and hands back on load.
// UI thread.
#include "state/uPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace frakle::state {

int32_t APlugin::getChunk(void **data, bool isPreset) {
    std::vector<uint8_t> &out = isPreset ? presetChunk_ : bankChunk_;
    out.clear();
    if (!isPreset) {
        const auto length = static_cast<uint32_t>(store_.length());
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<uint8_t>(length >> shift));
        }
    }
    store_.appendTo(out);
    settleSnapshot(out.data() + (isPreset ? 0 : 4));
    *data = out.data();
    return static_cast<int32_t>(out.size());
}

int32_t APlugin::setChunk(const void *data, int32_t byteSize, bool isPreset) {
    // A chunk that cannot hold a whole program is refused and the program stays as it was.
    if (data == nullptr || byteSize <= 0 || byteSize > kMaxChunkSize) {
        return 0;
    }
    const auto *bytes = static_cast<const uint8_t *>(data);
    const auto size = static_cast<size_t>(byteSize);
    if (isPreset) {
        if (size < sizeof(TProgramRecord)) {
            return 0;
        }
        store_.assign(bytes, size);
    } else {
        if (size < 4) {
            return 0;
        }
        const uint32_t length =
            static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
            (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
        if (length < sizeof(TProgramRecord) || length > size - 4) {
            return 0;
        }
        store_.assign(bytes + 4, length);
    }
    commonChunkTail();
    return byteSize;
}

void APlugin::commonChunkTail() {
    TProgramRecord &rec = record();
    // The de-click setting has no parameter to bring it into 0 … 1 on the way in, and the
    // engine scales it into a sample count: a damaged one is clamped, or its default if NaN.
    const float declick = Load(rec.noClickIn);
    Store(rec.noClickIn, std::isnan(declick) ? MakeDefaultRecord().noClickIn : clampValue(declick));
    // The pattern the load selects: a number beyond the last pattern selects the last one. Its
    // solo and global are set again below, so a pair naming the same effect is settled now
    // rather than at the next load.
    const int32_t pattern = std::min<int32_t>(Load(rec.currentPattern), kNumPatterns - 1);
    loadedSolo_ = LoadEffectIndex(rec.patternSolo[pattern]);
    loadedGlobal_ = LoadEffectIndex(rec.patternGlobal[pattern]);
    programLoad();
}

} // namespace frakle::state
