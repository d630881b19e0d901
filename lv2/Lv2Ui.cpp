// The LV2 editor: the same editor form as the VST build, embedded in the host's parent window
// (ui:parent) and driven by ui:idleInterface. It reaches the plug-in through instance access;
// the plug-in's own changes, the knobs' among them, go to the host as port writes, and port
// events the plug-in has not taken yet are applied at once. UI thread only.
#include "editor/uEditor.h"
#include "gui/X11Window.h"
#include "lv2/Lv2Plugin.h"

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>

namespace frakle::lv2 {

namespace {

class Lv2Ui {
public:
    Lv2Ui(Lv2Plugin &owner, LV2UI_Write_Function write, LV2UI_Controller controller)
        : owner_(owner), write_(write), controller_(controller) {}

    // False when the window cannot be made (no display, a parent that is gone).
    bool open(uintptr_t parent) {
        using Form = editor::TPluginEditorWindow;
        auto window = std::make_unique<gui::TX11Window>(parent, Form::kWidth, Form::kHeight);
        if (!window->isOpen()) {
            return false;
        }
        windowId_ = window->windowId();
        form_ = std::make_unique<Form>(std::move(window));
        form_->connect(&owner_.plugin());
        return true;
    }

    LV2UI_Widget widget() const {
        return reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(windowId_));
    }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void *buffer) {
        if (format == 0 && size == sizeof(float) && port >= kFirstParameterPort &&
            port < kNumPorts) {
            float value;
            std::memcpy(&value, buffer, sizeof(value));
            owner_.hostValue(static_cast<int32_t>(port - kFirstParameterPort), value);
        }
    }

    // Non-zero once the window is gone, as the idle interface asks.
    int idle() {
        form_->idle();
        owner_.takeOwnChanges([this](int32_t index, float value) {
            write_(controller_, kFirstParameterPort + static_cast<uint32_t>(index), sizeof(value),
                   0, &value);
        });
        return form_->window().isOpen() ? 0 : 1;
    }

private:
    Lv2Plugin &owner_;
    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    unsigned long windowId_ = 0;
    std::unique_ptr<editor::TPluginEditorWindow> form_;
};

Lv2Ui *self(LV2UI_Handle handle) { return static_cast<Lv2Ui *>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor * /*descriptor*/, const char *pluginUri,
                         const char * /*bundlePath*/, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget *widget,
                         const LV2_Feature *const *features) {
    void *parent = nullptr;
    Lv2Plugin *owner = nullptr;
    const LV2UI_Resize *resize = nullptr;
    for (const LV2_Feature *const *f = features; f != nullptr && *f != nullptr; ++f) {
        if (std::strcmp((*f)->URI, LV2_UI__parent) == 0) {
            parent = (*f)->data;
        } else if (std::strcmp((*f)->URI, LV2_INSTANCE_ACCESS_URI) == 0) {
            owner = static_cast<Lv2Plugin *>((*f)->data);
        } else if (std::strcmp((*f)->URI, LV2_UI__resize) == 0) {
            resize = static_cast<const LV2UI_Resize *>((*f)->data);
        }
    }
    if (pluginUri == nullptr || std::strcmp(pluginUri, kPluginUri) != 0 || parent == nullptr ||
        owner == nullptr || write == nullptr || widget == nullptr) {
        return nullptr;
    }
    try {
        auto ui = std::make_unique<Lv2Ui>(*owner, write, controller);
        if (!ui->open(reinterpret_cast<uintptr_t>(parent))) {
            return nullptr;
        }
        *widget = ui->widget();
        if (resize != nullptr) {
            resize->ui_resize(resize->handle, editor::TPluginEditorWindow::kWidth,
                              editor::TPluginEditorWindow::kHeight);
        }
        return ui.release();
    } catch (...) {
        return nullptr; // nothing may escape into the host
    }
}

void cleanup(LV2UI_Handle handle) { delete self(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void *buffer) {
    self(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) {
    try {
        return self(handle)->idle();
    } catch (...) {
        return 1;
    }
}

const LV2UI_Idle_Interface kIdleInterface{idle};

const void *extensionData(const char *uri) {
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kUiDescriptor{kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

} // namespace frakle::lv2

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor *lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &frakle::lv2::kUiDescriptor : nullptr;
}
