// The help line, the about box, the header's MIDI and transport switches and the effects' init
// and randomise buttons.
#include "editor/uEditor.h"

namespace frakle::editor {

void TPluginEditorWindow::wireHelpAndHeader() {}

} // namespace frakle::editor
