// The AEffect entry functions and the base dispatchers. Each entry function follows the record's
// object field back to the plug-in object; effClose also destroys it.
#include "host/DAudioEffect.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace frakle::host {

namespace {

intptr_t dispatcherEntry(vst2::AEffect *e, int32_t opcode, int32_t index, intptr_t value, void *ptr,
                         float opt) {
    AudioEffect *effect = AudioEffect::fromAeffect(e);
    if (effect == nullptr) {
        return 0;
    }
    if (opcode == vst2::effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void processEntry(vst2::AEffect *e, float **inputs, float **outputs, int32_t frames) {
    if (AudioEffect *effect = AudioEffect::fromAeffect(e)) {
        effect->process(inputs, outputs, frames);
    }
}

void processReplacingEntry(vst2::AEffect *e, float **inputs, float **outputs, int32_t frames) {
    if (AudioEffect *effect = AudioEffect::fromAeffect(e)) {
        effect->processReplacing(inputs, outputs, frames);
    }
}

void setParameterEntry(vst2::AEffect *e, int32_t index, float value) {
    if (AudioEffect *effect = AudioEffect::fromAeffect(e)) {
        effect->setParameter(index, value);
    }
}

float getParameterEntry(vst2::AEffect *e, int32_t index) {
    AudioEffect *effect = AudioEffect::fromAeffect(e);
    return effect != nullptr ? effect->getParameter(index) : 0.0f;
}

} // namespace

AudioEffect::AudioEffect(vst2::HostCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : numPrograms_(numPrograms), numParams_(numParams), audioMaster_(audioMaster) {
    cEffect_.magic = vst2::kEffectMagic;
    cEffect_.dispatcher = dispatcherEntry;
    cEffect_.process = processEntry;
    cEffect_.setParameter = setParameterEntry;
    cEffect_.getParameter = getParameterEntry;
    cEffect_.processReplacing = processReplacingEntry;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.flags = 0;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.uniqueID = vst2::fourCC('N', 'o', 'E', 'f');
    cEffect_.version = 1;
}

AudioEffect::~AudioEffect() { delete editor_; }

AudioEffect *AudioEffect::fromAeffect(vst2::AEffect *effect) {
    return effect != nullptr ? static_cast<AudioEffect *>(effect->object) : nullptr;
}

void AudioEffect::setSampleRate(float sampleRate) {
    // A rate no audio device runs at is a host fault: keep the last good one.
    if (std::isfinite(sampleRate) && sampleRate > 0.0f) {
        sampleRate_.store(sampleRate, std::memory_order_relaxed);
    }
}

void AudioEffect::setBlockSize(int32_t blockSize) {
    blockSize_.store(blockSize, std::memory_order_relaxed);
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    if (std::isnan(value)) {
        return;
    }
    setParameter(index, value);
    callHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::setFlag(int32_t flag, bool on) {
    if (on) {
        cEffect_.flags |= flag;
    } else {
        cEffect_.flags &= ~flag;
    }
}

void AudioEffect::setEditor(AEffEditor *editor) {
    delete editor_;
    editor_ = editor;
    setFlag(vst2::effFlagsHasEditor, editor != nullptr);
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void *ptr,
                               float opt) {
    return audioMaster_ != nullptr ? audioMaster_(&cEffect_, opcode, index, value, ptr, opt) : 0;
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void *ptr,
                                 float opt) {
    auto *text = static_cast<char *>(ptr);
    switch (opcode) {
    case vst2::effOpen:
        open();
        return 0;
    case vst2::effClose:
        close();
        return 1;
    case vst2::effSetProgram:
        if (value < numPrograms_) {
            setProgram(static_cast<int32_t>(value));
        }
        return 0;
    case vst2::effGetProgram:
        return getProgram();
    case vst2::effSetProgramName:
        if (text != nullptr) {
            setProgramName(text);
        }
        return 0;
    case vst2::effGetProgramName:
        if (text != nullptr) {
            getProgramName(text);
        }
        return 0;
    case vst2::effGetParamLabel:
        if (text != nullptr) {
            getParameterLabel(index, text);
        }
        return 0;
    case vst2::effGetParamDisplay:
        if (text != nullptr) {
            getParameterDisplay(index, text);
        }
        return 0;
    case vst2::effGetParamName:
        if (text != nullptr) {
            getParameterName(index, text);
        }
        return 0;
    case vst2::effGetVu:
        return static_cast<intptr_t>(std::lround(getVu() * 32767.0f));
    case vst2::effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case vst2::effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        return 0;
    case vst2::effMainsChanged:
        if (value == 0) {
            suspend();
        } else {
            resume();
        }
        return 0;
    case vst2::effEditGetRect:
        if (editor_ != nullptr && ptr != nullptr) {
            return editor_->getRect(static_cast<vst2::ERect **>(ptr)) ? 1 : 0;
        }
        return 0;
    case vst2::effEditOpen:
        if (editor_ != nullptr) {
            return editor_->open(ptr) ? 1 : 0;
        }
        return 0;
    case vst2::effEditClose:
        if (editor_ != nullptr) {
            editor_->close();
        }
        return 0;
    case vst2::effEditIdle:
        if (editor_ != nullptr) {
            editor_->idle();
        }
        return 0;
    case vst2::effIdentify:
        return vst2::fourCC('N', 'v', 'E', 'f');
    case vst2::effGetChunk:
        if (ptr == nullptr) {
            return 0;
        }
        return getChunk(static_cast<void **>(ptr), index != 0);
    case vst2::effSetChunk:
        if (value < 0 || value > INT32_MAX) {
            return 0;
        }
        return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
        return 0;
    }
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void *ptr,
                                  float opt) {
    if (opcode < vst2::effProcessEvents) {
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
    auto *text = static_cast<char *>(ptr);
    switch (opcode) {
    case vst2::effProcessEvents:
        return dispatchEvents(static_cast<const vst2::VstEvents *>(ptr));
    case vst2::effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case vst2::effGetNumProgramCategories:
        return 1;
    case vst2::effGetProgramNameIndexed:
        if (text == nullptr) {
            return 0;
        }
        return getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
    case vst2::effConnectInput:
    case vst2::effConnectOutput:
        return 1;
    case vst2::effGetInputProperties:
        if (ptr == nullptr) {
            return 0;
        }
        return getInputProperties(index, static_cast<vst2::VstPinProperties *>(ptr)) ? 1 : 0;
    case vst2::effGetOutputProperties:
        if (ptr == nullptr) {
            return 0;
        }
        return getOutputProperties(index, static_cast<vst2::VstPinProperties *>(ptr)) ? 1 : 0;
    case vst2::effGetPlugCategory:
        return getPlugCategory();
    case vst2::effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<int32_t>(value));
        setSampleRate(opt);
        return 1;
    case vst2::effGetEffectName:
        return text != nullptr && getEffectName(text) ? 1 : 0;
    case vst2::effGetVendorString:
        return text != nullptr && getVendorString(text) ? 1 : 0;
    case vst2::effGetProductString:
        return text != nullptr && getProductString(text) ? 1 : 0;
    case vst2::effGetVendorVersion:
        return getVendorVersion();
    case vst2::effCanDo:
        return text != nullptr ? canDo(text) : -1;
    case vst2::effKeysRequired:
        return 1;
    case vst2::effGetVstVersion:
        return getVstVersion();
    case vst2::effEditKeyDown:
    case vst2::effEditKeyUp:
        return editor_ != nullptr ? -1 : 0;
    case vst2::effBeginSetProgram:
        return beginSetProgram();
    case vst2::effEndSetProgram:
        return endSetProgram();
    case vst2::effSetTotalSampleToProcess:
        return value;
    default:
        return 0;
    }
}

int32_t AudioEffectX::dispatchEvents(const vst2::VstEvents *events) {
    if (events == nullptr || events->numEvents <= 0) {
        return 1;
    }
    // Handed on in small batches so that no list is ever allocated on the caller's thread.
    constexpr int32_t kBatch = 64;
    MidiMessage batch[kBatch];
    int32_t count = 0;
    // The record's array really holds numEvents pointers, however many it declares.
    const auto *list = reinterpret_cast<const vst2::VstEvent *const *>(
        reinterpret_cast<const char *>(events) + offsetof(vst2::VstEvents, events));
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst2::VstEvent *event = list[i];
        if (event == nullptr || event->type != vst2::kVstMidiType) {
            continue;
        }
        const auto *midi = reinterpret_cast<const vst2::VstMidiEvent *>(event);
        batch[count] = {midi->deltaFrames,
                        {midi->midiData[0], midi->midiData[1], midi->midiData[2]}};
        if (++count == kBatch) {
            processEvents(batch, count);
            count = 0;
        }
    }
    if (count > 0) {
        processEvents(batch, count);
    }
    return 1;
}

HostTime AudioEffectX::getTimeInfo(int32_t mask) {
    HostTime time;
    const auto *info =
        reinterpret_cast<const vst2::VstTimeInfo *>(callHost(vst2::audioMasterGetTime, 0, mask));
    if (info != nullptr) {
        time.valid = true;
        time.ppqPosition = info->ppqPos;
        time.playing = (info->flags & vst2::kVstTransportPlaying) != 0;
    }
    return time;
}

double AudioEffectX::tempoAt(int32_t samplePosition) {
    return static_cast<double>(callHost(vst2::audioMasterTempoAt, 0, samplePosition)) / 10000.0;
}

double AudioEffectX::hostSampleRate() {
    return static_cast<double>(callHost(vst2::audioMasterGetSampleRate));
}

} // namespace frakle::host
