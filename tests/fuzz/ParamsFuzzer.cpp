// Fuzz target "params": parameter changes with any index and any float (NaN, ±inf, denormals,
// out of range), program changes and names, chunk round trips and edited chunks, with blocks in
// between. The output stays finite, every parameter reads back within 0 … 1, every text fits
// the host's field, and the state survives its round trip at the end. One instance per process,
// reset before each input (see FuzzHost.h).
#include "tests/fuzz/FuzzHost.h"

using namespace frakle::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ByteReader in(data, size);
    Plugin &plugin = Plugin::forInput();
    const int32_t numParams = plugin.effect()->numParams;
    while (!in.empty()) {
        switch (in.byte() % kParamsOpCount) {
        case kParamsSet: {
            const int32_t index = in.paramIndex(numParams);
            plugin.setParameter(index, in.anyFloat());
            break;
        }
        case kParamsGet:
            plugin.getParameter(in.paramIndex(numParams));
            break;
        case kParamsProgram: {
            const uint8_t kind = in.byte();
            const intptr_t program = kind < 128 ? kind - 64 : static_cast<intptr_t>(in.u64());
            plugin.dispatch(vst2::effSetProgram, 0, program);
            break;
        }
        case kParamsSetName: {
            std::vector<char> name = in.text(kHostBuffer);
            plugin.dispatch(vst2::effSetProgramName, 0, 0, name.data());
            break;
        }
        case kParamsGetName: {
            std::vector<char> name(kHostBuffer, 0);
            plugin.dispatch(vst2::effGetProgramName, 0, 0, name.data());
            checkText(name.data(), vst2::kVstMaxProgNameLen, "program name");
            break;
        }
        case kParamsRoundTrip:
            plugin.checkRoundTrip((in.byte() & 1) != 0);
            break;
        case kParamsEditChunk: {
            const uint8_t how = in.byte();
            const bool preset = (how & 1) != 0;
            std::vector<uint8_t> chunk = plugin.getChunk(preset);
            for (int edit = 0; edit <= ((how >> 1) & 7) && !chunk.empty(); ++edit) {
                const size_t at = in.u16() % chunk.size();
                chunk[at] = in.byte();
            }
            const auto length = static_cast<intptr_t>(chunk.size());
            const intptr_t answer = plugin.setChunk(chunk, length, preset);
            if (answer != 0 && answer != length) {
                fail("setChunk of an edited chunk answered " + std::to_string(answer));
            }
            break;
        }
        case kParamsProcess:
            plugin.processFrom(in);
            break;
        case kParamsParamTexts: {
            const int32_t index = in.paramIndex(numParams);
            for (const int32_t opcode :
                 {vst2::effGetParamName, vst2::effGetParamLabel, vst2::effGetParamDisplay}) {
                std::vector<char> text(kHostBuffer, 0);
                plugin.dispatch(opcode, index, 0, text.data());
                checkText(text.data(), kParamTextField, "parameter text");
            }
            break;
        }
        case kParamsMains:
            plugin.restart();
            break;
        default:
            break;
        }
    }
    plugin.finishInput();
    return 0;
}
