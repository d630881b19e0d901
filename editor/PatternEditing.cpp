// The sequencer area's handlers: choosing the effect, painting steps, the step count, shifting,
// templates, the pattern bank and the pattern randomiser.
#include "editor/uEditor.h"

namespace frakle::editor {

void TPluginEditorWindow::wirePatternEditing() {}

} // namespace frakle::editor
