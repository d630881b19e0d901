// Fuzz target "dispatcher": any opcode with any index, value and option, the pointer argument
// always what a host hands over for that opcode (a zeroed text buffer, the record the opcode
// takes, a slot for a returned pointer, a window of 0 for the editor), with blocks in between.
// effClose never comes from the input: only the process's exit closes the instance (one per
// process, reset before each input; see FuzzHost.h). The host keeps its sample rate to itself,
// so the rate the opcodes set is the one that plays. The editor opens on its headless window:
// DISPLAY is cleared before the instance exists.
#include "tests/fuzz/FuzzHost.h"

using namespace frakle::fuzz;

namespace {

constexpr size_t kRecordBuffer = 1024; // zeroed room for any record an opcode may take

// The longest text the plug-in may write for a text opcode, or 0 for other opcodes.
size_t textField(int32_t opcode) {
    const std::pair<int32_t, size_t> fields[] = {
        {vst2::effGetProgramName, vst2::kVstMaxProgNameLen},
        {vst2::effGetProgramNameIndexed, vst2::kVstMaxProgNameLen},
        {vst2::effGetParamLabel, kParamTextField},
        {vst2::effGetParamDisplay, kParamTextField},
        {vst2::effGetParamName, kParamTextField},
        {vst2::effGetEffectName, vst2::kVstMaxEffectNameLen},
        {vst2::effGetVendorString, vst2::kVstMaxVendorStrLen},
        {vst2::effGetProductString, vst2::kVstMaxVendorStrLen},
        {vst2::effGetErrorText, kHostBuffer},
        {vst2::effShellGetNextPlugin, kHostBuffer}};
    for (const auto &[code, field] : fields) {
        if (code == opcode) {
            return field;
        }
    }
    return 0;
}

void call(Plugin &plugin, ByteReader &in, int32_t opcode) {
    const uint8_t indexKind = in.byte();
    const int32_t index = indexKind < 240 ? indexKind : in.i32();
    const uint8_t valueKind = in.byte();
    intptr_t value = valueKind < 240 ? valueKind : static_cast<intptr_t>(in.u64());
    const float opt = in.anyFloat();

    alignas(16) char buffer[kRecordBuffer] = {};
    alignas(16) char second[kRecordBuffer] = {};
    void *slot = nullptr;
    void *ptr = buffer;

    switch (opcode) {
    case vst2::effSetProgramName:
    case vst2::effCanDo:
    case vst2::effString2Parameter: {
        const std::vector<char> text = in.text(kHostBuffer);
        std::memcpy(buffer, text.data(), text.size());
        break;
    }
    case vst2::effGetChunk:
    case vst2::effEditGetRect:
    case vst2::effGetSpeakerArrangement:
        ptr = &slot;
        if (opcode == vst2::effGetSpeakerArrangement) {
            value = reinterpret_cast<intptr_t>(&slot);
        }
        break;
    case vst2::effSetChunk: {
        // Mostly the plug-in's own chunk with a few bytes changed, else any bytes.
        const uint8_t how = in.byte();
        std::vector<uint8_t> chunk;
        if ((how & 1) != 0) {
            chunk = plugin.getChunk(index != 0);
            for (int edit = 0; edit < ((how >> 1) & 7) && !chunk.empty(); ++edit) {
                chunk[in.u16() % chunk.size()] = in.byte();
            }
        } else {
            const auto bytes = in.take(in.u16() % 4096);
            chunk.assign(bytes.begin(), bytes.end());
        }
        const auto length = static_cast<intptr_t>(chunk.size());
        // The whole chunk, or a length of its own: shorter, negative or beyond any int32 (both
        // must be refused), but never more than the bytes really there.
        if (valueKind < 240 || (value > length && value <= INT32_MAX)) {
            value = length;
        }
        const intptr_t answer = plugin.setChunk(chunk, value, index != 0);
        if (answer != 0 && answer != value) {
            fail("setChunk of " + std::to_string(value) + " bytes answered " +
                 std::to_string(answer));
        }
        return;
    }
    case vst2::effProcessEvents: {
        EventList events = EventList::read(in);
        plugin.dispatch(opcode, index, value, events.list(), opt);
        return;
    }
    case vst2::effEditOpen:
        ptr = nullptr; // no parent window: the editor makes its own, headless here
        break;
    case vst2::effSetSpeakerArrangement:
        value = reinterpret_cast<intptr_t>(second);
        break;
    default:
        break;
    }

    const intptr_t answer = plugin.dispatch(opcode, index, value, ptr, opt);

    if (const size_t field = textField(opcode); field != 0) {
        checkText(buffer, field, "the text of opcode " + std::to_string(opcode));
    }
    if (opcode == vst2::effGetChunk && answer > 0) {
        if (slot == nullptr) {
            fail("getChunk gave a size without data");
        }
        const auto *bytes = static_cast<const uint8_t *>(slot);
        const std::vector<uint8_t> copy(bytes, bytes + answer); // every byte readable
    }
    if (opcode == vst2::effEditGetRect && answer != 0) {
        if (slot == nullptr) {
            fail("effEditGetRect answered without a rectangle");
        }
        const auto *rect = static_cast<const vst2::ERect *>(slot);
        if (rect->right - rect->left != 844 || rect->bottom - rect->top != 626) {
            fail("editor rectangle is not 844 × 626");
        }
    }
    if ((opcode == vst2::effGetInputProperties || opcode == vst2::effGetOutputProperties) &&
        answer != 0) {
        const auto *pin = reinterpret_cast<const vst2::VstPinProperties *>(buffer);
        if (strnlen(pin->label, sizeof(pin->label)) >= sizeof(pin->label) ||
            strnlen(pin->shortLabel, sizeof(pin->shortLabel)) >= sizeof(pin->shortLabel)) {
            fail("pin properties with an unterminated label");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool headless = [] { return unsetenv("DISPLAY") == 0; }();
    (void)headless;
    ByteReader in(data, size);
    Plugin &plugin = Plugin::forInput();
    plugin.transport().reportRate = false; // effSetSampleRate decides
    while (!in.empty()) {
        const uint8_t kind = in.byte();
        if (kind >= kDispatchProcess) {
            plugin.processFrom(in, (kind & 1) != 0);
            continue;
        }
        const int32_t opcode = kind < kDispatchRawOpcode ? kind % kDispatchOpcodeCount : in.i32();
        if (opcode != vst2::effClose) {
            call(plugin, in, opcode);
        }
    }
    plugin.finishInput();
    return 0;
}
