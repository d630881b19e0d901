// Where the plug-in is put together: the plug-in object with the skinned editor as its form.
// The editor shows in the host's window (X11 or Win32); where no native window can be made it
// runs on a headless window, so opening it never fails. UI thread.
#include "editor/uEditor.h"
#include "gui/HeadlessWindow.h"
#include "state/uPlugin.h"

#include <memory>

namespace frakle::editor {

namespace {

std::unique_ptr<host::TEditorForm> createEditor(void *parentWindow) {
    using Window = TPluginEditorWindow;
    auto native = gui::openNativeWindow(reinterpret_cast<uintptr_t>(parentWindow), Window::kWidth,
                                        Window::kHeight);
    if (native->isOpen()) {
        return std::make_unique<Window>(std::move(native));
    }
    return std::make_unique<Window>(
        std::make_unique<gui::THeadlessWindow>(Window::kWidth, Window::kHeight));
}

const host::FormClass kEditorFormClass{TPluginEditorWindow::kWidth, TPluginEditorWindow::kHeight,
                                       createEditor};

} // namespace

const host::FormClass &EditorFormClass() { return kEditorFormClass; }

} // namespace frakle::editor

frakle::host::AudioEffect *frakle::host::createEffectInstance(vst2::HostCallback audioMaster) {
    return new frakle::state::APlugin(audioMaster, &frakle::editor::EditorFormClass());
}
