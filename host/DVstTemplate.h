// The template layer between the VST base classes and the plug-in: parameter properties and
// host-visible values, identity strings, can-do and flag bits, pin properties, and the editor
// wrapper that hosts the editor form in the host's window.
#pragma once

#include "host/DAudioEffect.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace frakle::host {

// The editor form hosted by the wrapper. Lives on the UI thread.
class TEditorForm {
public:
    virtual ~TEditorForm() = default;
    // Connects the form to its plug-in once it exists as a child of the host's window.
    virtual void connect(AudioEffect *effect) = 0;
    // The host's idle call: input, refresh, drawing.
    virtual void idle() {}
};

struct FormClass {
    int16_t width = 0; // design size of the form's client area
    int16_t height = 0;
    std::unique_ptr<TEditorForm> (*create)(void *parentWindow) = nullptr;
};

class TVstTemplateEditor : public AEffEditor {
public:
    using IdleHandler = void (*)(AudioEffect *effect, TEditorForm &form);

    TVstTemplateEditor(AudioEffect *effect, const FormClass &formClass);
    ~TVstTemplateEditor() override;

    bool getRect(vst2::ERect **rect) override;
    bool open(void *parentWindow) override;
    void close() override;
    void idle() override;

    void setIdleHandler(IdleHandler handler) { idleHandler_ = handler; }
    TEditorForm *form() { return form_.get(); }
    int32_t openCount() const { return openCount_; }

private:
    vst2::ERect rect_{};
    int32_t openCount_ = 0;
    FormClass formClass_;
    void *parentWindow_ = nullptr;
    std::unique_ptr<TEditorForm> form_;
    IdleHandler idleHandler_ = nullptr;
};

struct TVstParameterProperty {
    float smoothing[2] = {0.0f, 0.0f};
    float minimum = 0.0f;
    float maximum = 1.0f;
    uint8_t curveKind = 0;
    float curveAmount = 1.0f;
    char name[31] = {};
    char label[9] = {};
    float smoothingCoefficient = 1.0f;
};

struct TVstProgram {
    std::unique_ptr<float[]> values; // 0 … 1 each; read and written whole from any thread
    char name[52] = "Init";
};

// What the plug-in declares about itself before the template applies it.
struct TemplateIdentity {
    uint32_t canDoBits = 0;
    int32_t numInputs = 2;
    int32_t numOutputs = 2;
    char uniqueId[5] = "";
    int32_t vendorVersion = 1;
    const char *effectName = "";
    const char *vendor = "";
    int32_t initialDelay = 0;
    uint16_t flagBits = 0;
};

// Bits of TemplateIdentity::flagBits, passed to the matching AEffect flags.
enum TemplateFlag : uint16_t {
    kFlagIsSynth = 1 << 0,
    kFlagHasVu = 1 << 1,
    kFlagHasClip = 1 << 2,
    kFlagCanMono = 1 << 3,
    kFlagCanReplacing = 1 << 4,
    kFlagProgramChunks = 1 << 5,
    kFlagNoSoundInStop = 1 << 6,
    kFlagAsync = 1 << 7,
    kFlagExternalBuffer = 1 << 8,
};

// The can-do strings in bit order.
constexpr int kNumCanDos = 26;
extern const char *const kCanDoStrings[kNumCanDos];

class TVstTemplate : public AudioEffectX {
public:
    TVstTemplate(vst2::HostCallback audioMaster, int32_t numParams, int32_t numPrograms,
                 const TemplateIdentity &identity, const FormClass *formClass);
    ~TVstTemplate() override;

    float getParameter(int32_t index) override;
    void setParameter(int32_t index, float value) override;
    void getParameterName(int32_t index, char *text) override;
    void getParameterLabel(int32_t index, char *text) override;
    void getParameterDisplay(int32_t index, char *text) override;
    bool getInputProperties(int32_t index, vst2::VstPinProperties *props) override;
    bool getOutputProperties(int32_t index, vst2::VstPinProperties *props) override;
    bool getEffectName(char *text) override;
    bool getVendorString(char *text) override;
    bool getProductString(char *text) override;
    int32_t getVendorVersion() override { return identity_.vendorVersion; }
    int32_t canDo(const char *text) override;

    const TemplateIdentity &identity() const { return identity_; }
    TVstTemplateEditor *templateEditor() { return templateEditor_; }

    // Clamps a host value into 0 … 1; anything that is not a number counts as 0.
    static float clampValue(float value);

protected:
    // Runs the construction steps that call into the plug-in: suspend, identity, program 0 and
    // the parameter-table hook. The plug-in calls it once its own members exist.
    void finishConstruction();
    // Fills names, ranges and labels, then resets the program (the plug-in's table set-up).
    virtual void initParameterTable() {}

    void setPropertyText(int32_t index, const char *name, float minimum, float maximum,
                         const char *label);
    const TVstParameterProperty *property(int32_t index) const;

private:
    TemplateIdentity identity_;
    std::vector<TVstParameterProperty> properties_;
    std::vector<TVstProgram> programs_;
    TVstTemplateEditor *templateEditor_ = nullptr; // owned through AudioEffect::editor_
};

// Copies text into a host buffer of `size` bytes, always zero-terminated.
void copyText(char *destination, const char *source, size_t size);

} // namespace frakle::host
