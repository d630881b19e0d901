// The help line's texts: one sentence per control tag, shown at the bottom of the editor while
// the mouse is over that control.
#pragma once

#include <cstdint>
#include <string_view>

namespace frakle::editor {

// Tags of the help texts that controls share rather than carry as their own tag.
constexpr int32_t kTipStepArea = 1005;
constexpr int32_t kTipSolo = 1010;
constexpr int32_t kTipGlobal = 1011;

// The text for a control tag; empty for a tag without one.
std::string_view HelpText(int32_t tag);

} // namespace frakle::editor
