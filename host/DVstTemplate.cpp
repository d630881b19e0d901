// Parameter properties, identity and the editor wrapper. UI thread, except getParameter and
// setParameter, which any host thread may call.
#include "host/DVstTemplate.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace frakle::host {

namespace {

// Hosts hand out buffers of varying size for parameter texts; none of ours needs more.
constexpr size_t kParamTextSize = 24;
constexpr const char *kUndefined = "undefined";

} // namespace

const char *const kCanDoStrings[kNumCanDos] = {"sendVstEvents",
                                               "sendVstMidiEvent",
                                               "sendVstTimeInfo",
                                               "receiveVstEvents",
                                               "receiveVstMidiEvent",
                                               "receiveVstTimeInfo",
                                               "offline",
                                               "plugAsChannelInsert",
                                               "plugAsSend",
                                               "mixDryWet",
                                               "noRealTime",
                                               "multipass",
                                               "metapass",
                                               "1in1out",
                                               "1in2out",
                                               "2in1out",
                                               "2in2out",
                                               "2in4out",
                                               "4in2out",
                                               "4in4out",
                                               "4in8out",
                                               "8in4out",
                                               "8in8out",
                                               "midiProgramNames",
                                               "conformsToWindowRules",
                                               "bypass"};

void copyText(char *destination, const char *source, size_t size) {
    if (size == 0) {
        return;
    }
    size_t n = std::strlen(source);
    if (n > size - 1) {
        n = size - 1;
    }
    std::memcpy(destination, source, n);
    destination[n] = 0;
}

// --- editor wrapper ------------------------------------------------------------------------

TVstTemplateEditor::TVstTemplateEditor(AudioEffect *effect, const FormClass &formClass)
    : AEffEditor(effect), formClass_(formClass) {
    // Hosts size their window before opening the editor, so the design size is known from the
    // start.
    rect_.bottom = formClass.height;
    rect_.right = formClass.width;
}

TVstTemplateEditor::~TVstTemplateEditor() = default;

bool TVstTemplateEditor::getRect(vst2::ERect **rect) {
    rect_.top = 0;
    rect_.left = 0;
    if (form_) {
        rect_.bottom = formClass_.height;
        rect_.right = formClass_.width;
    }
    *rect = &rect_;
    return true;
}

bool TVstTemplateEditor::open(void *parentWindow) {
    parentWindow_ = parentWindow;
    ++openCount_;
    if (openCount_ != 1 && form_) {
        return true;
    }
    if (formClass_.create != nullptr) {
        form_ = formClass_.create(parentWindow);
        systemWindow_ = parentWindow;
        if (form_) {
            form_->connect(effect_);
        }
    }
    return true;
}

void TVstTemplateEditor::close() {
    --openCount_;
    if (openCount_ < 1) {
        openCount_ = 0;
        form_.reset();
        parentWindow_ = nullptr;
        systemWindow_ = nullptr;
    }
}

void TVstTemplateEditor::idle() {
    if (form_ && idleHandler_ != nullptr) {
        idleHandler_(effect_, *form_);
    }
}

// --- template ------------------------------------------------------------------------------

TVstTemplate::TVstTemplate(vst2::HostCallback audioMaster, int32_t numParams, int32_t numPrograms,
                           const TemplateIdentity &identity, const FormClass *formClass)
    : AudioEffectX(audioMaster, numPrograms, numParams), identity_(identity),
      properties_(static_cast<size_t>(numParams)), programs_(static_cast<size_t>(numPrograms)) {
    for (TVstProgram &program : programs_) {
        program.values = std::make_unique<float[]>(static_cast<size_t>(numParams));
    }
    for (int32_t i = 0; i < numParams; ++i) {
        std::snprintf(properties_[static_cast<size_t>(i)].name, sizeof(properties_[0].name),
                      "Parameter %d", static_cast<int>(i));
    }
    if (formClass != nullptr) {
        templateEditor_ = new TVstTemplateEditor(this, *formClass);
        setEditor(templateEditor_);
    }
}

TVstTemplate::~TVstTemplate() = default;

void TVstTemplate::finishConstruction() {
    suspend();
    char id[5] = "    ";
    std::memcpy(id, identity_.uniqueId,
                std::strlen(identity_.uniqueId) > 4 ? 4 : std::strlen(identity_.uniqueId));
    setUniqueID(vst2::fourCC(id[0], id[1], id[2], id[3]));
    const uint16_t bits = identity_.flagBits;
    setFlag(vst2::effFlagsIsSynth, (bits & kFlagIsSynth) != 0);
    setFlag(vst2::effFlagsHasVu, (bits & kFlagHasVu) != 0);
    setFlag(vst2::effFlagsHasClip, (bits & kFlagHasClip) != 0);
    setFlag(vst2::effFlagsCanMono, (bits & kFlagCanMono) != 0);
    setFlag(vst2::effFlagsCanReplacing, (bits & kFlagCanReplacing) != 0);
    setFlag(vst2::effFlagsProgramChunks, (bits & kFlagProgramChunks) != 0);
    setFlag(vst2::effFlagsNoSoundInStop, (bits & kFlagNoSoundInStop) != 0);
    setFlag(vst2::effFlagsExtIsAsync, (bits & kFlagAsync) != 0);
    setFlag(vst2::effFlagsExtHasBuffer, (bits & kFlagExternalBuffer) != 0);
    setNumInputs(identity_.numInputs);
    setNumOutputs(identity_.numOutputs);
    setInitialDelay(identity_.initialDelay);
    setProgram(0);
    initParameterTable();
    for (size_t p = 1; p < programs_.size(); ++p) {
        for (int32_t i = 0; i < numParams_; ++i) {
            programs_[p].values[static_cast<size_t>(i)] =
                programs_[0].values[static_cast<size_t>(i)];
        }
    }
}

float TVstTemplate::clampValue(float value) {
    if (!(value >= 0.0f)) {
        return 0.0f; // negative or not a number
    }
    return value > 1.0f ? 1.0f : value;
}

float TVstTemplate::getParameter(int32_t index) {
    if (index < 0 || index >= numParams_ || curProgram_ < 0 ||
        curProgram_ >= static_cast<int32_t>(programs_.size())) {
        return 0.0f;
    }
    float &value = programs_[static_cast<size_t>(curProgram_)].values[static_cast<size_t>(index)];
    return std::atomic_ref<float>(value).load(std::memory_order_relaxed);
}

void TVstTemplate::setParameter(int32_t index, float value) {
    if (index < 0 || index >= numParams_ || curProgram_ < 0 ||
        curProgram_ >= static_cast<int32_t>(programs_.size())) {
        return;
    }
    float &slot = programs_[static_cast<size_t>(curProgram_)].values[static_cast<size_t>(index)];
    std::atomic_ref<float>(slot).store(clampValue(value), std::memory_order_relaxed);
}

const TVstParameterProperty *TVstTemplate::property(int32_t index) const {
    if (index < 0 || index >= numParams_) {
        return nullptr;
    }
    return &properties_[static_cast<size_t>(index)];
}

void TVstTemplate::setPropertyText(int32_t index, const char *name, float minimum, float maximum,
                                   const char *label) {
    if (index < 0 || index >= numParams_) {
        return;
    }
    TVstParameterProperty &prop = properties_[static_cast<size_t>(index)];
    copyText(prop.name, name, sizeof(prop.name));
    copyText(prop.label, label, sizeof(prop.label));
    prop.minimum = minimum;
    prop.maximum = maximum;
}

void TVstTemplate::getParameterName(int32_t index, char *text) {
    const TVstParameterProperty *prop = property(index);
    copyText(text, prop != nullptr ? prop->name : kUndefined, kParamTextSize);
}

void TVstTemplate::getParameterLabel(int32_t index, char *text) {
    const TVstParameterProperty *prop = property(index);
    copyText(text, prop != nullptr ? prop->label : kUndefined, kParamTextSize);
}

void TVstTemplate::getParameterDisplay(int32_t index, char *text) {
    const TVstParameterProperty *prop = property(index);
    if (prop == nullptr) {
        copyText(text, kUndefined, kParamTextSize);
        return;
    }
    const double value = getParameter(index);
    const double shown =
        prop->minimum + value * (static_cast<double>(prop->maximum) - prop->minimum);
    std::snprintf(text, kParamTextSize, "%.2f", shown);
}

namespace {

bool pinProperties(int32_t index, int32_t count, const char *prefix,
                   vst2::VstPinProperties *props) {
    if (index < 0 || index >= count) {
        return false;
    }
    std::memset(props, 0, sizeof(*props));
    std::snprintf(props->label, sizeof(props->label), "%s%d", prefix, static_cast<int>(index + 1));
    props->flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
    return true;
}

} // namespace

bool TVstTemplate::getInputProperties(int32_t index, vst2::VstPinProperties *props) {
    return pinProperties(index, identity_.numInputs, "Input #", props);
}

bool TVstTemplate::getOutputProperties(int32_t index, vst2::VstPinProperties *props) {
    return pinProperties(index, identity_.numOutputs, "Output #", props);
}

bool TVstTemplate::getEffectName(char *text) {
    copyText(text, identity_.effectName, vst2::kVstMaxEffectNameLen);
    return true;
}

bool TVstTemplate::getVendorString(char *text) {
    copyText(text, identity_.vendor, vst2::kVstMaxVendorStrLen);
    return true;
}

bool TVstTemplate::getProductString(char *text) {
    copyText(text, identity_.effectName, vst2::kVstMaxProductStrLen);
    return true;
}

int32_t TVstTemplate::canDo(const char *text) {
    for (int bit = 0; bit < kNumCanDos; ++bit) {
        if (std::strcmp(text, kCanDoStrings[bit]) == 0) {
            return (identity_.canDoBits >> bit) & 1U ? 1 : 0;
        }
    }
    return -1;
}

} // namespace frakle::host
