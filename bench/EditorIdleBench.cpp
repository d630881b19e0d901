// What a host idle call costs the editor: with nothing changed it should cost almost nothing;
// with one knob moved by automation, one redraw of that knob.
#include "editor/uEditor.h"
#include "gui/HeadlessWindow.h"
#include "state/uPlugin.h"

#include <benchmark/benchmark.h>

namespace {

intptr_t quietHost(vst2::AEffect *, int32_t opcode, int32_t, intptr_t, void *, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

struct OpenEditor {
    frakle::state::APlugin plugin{&quietHost};
    frakle::editor::TPluginEditorWindow form{
        std::make_unique<frakle::gui::THeadlessWindow>(844, 626)};
    OpenEditor() {
        form.connect(&plugin);
        form.idle();
    }
};

void EditorIdleNothingChanged(benchmark::State &state) {
    OpenEditor editor;
    for (auto _ : state) {
        editor.form.idle();
    }
}
BENCHMARK(EditorIdleNothingChanged);

void EditorIdleOneKnobAutomated(benchmark::State &state) {
    OpenEditor editor;
    float value = 0.0f;
    for (auto _ : state) {
        value = value > 0.9f ? 0.0f : value + 0.05f;
        editor.plugin.setParameter(6, value); // "RetrgSpd"
        editor.form.idle();
    }
}
BENCHMARK(EditorIdleOneKnobAutomated);

} // namespace

BENCHMARK_MAIN();
