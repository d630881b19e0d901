// Preset files for the renderer: raw preset chunks and standard .fxp program files.
#pragma once

#include "tools/testhost/TestHost.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace frakle::tools {

bool isFxpName(const std::filesystem::path &file);

// Loads an .fxp program (recognised by its 'CcnK' header) or else a raw preset chunk.
void loadPreset(TestHost &host, const std::filesystem::path &file);

// Throws if the plug-in cannot give what savePreset would write for this name.
void checkPresetCanBeSaved(TestHost &host, const std::filesystem::path &file);

// The raw preset chunk, or for an .fxp name an 'FPCh' program ('FxCk' with the parameter
// values for plug-ins that keep no chunks).
std::vector<uint8_t> presetFileBytes(TestHost &host, const std::filesystem::path &file);

} // namespace frakle::tools
