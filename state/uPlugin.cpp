// Construction, parameter application, programs and patterns of the plug-in object.
#include "state/uPlugin.h"

#include "engine/Denormals.h"
#include "state/ParameterTable.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>

namespace frakle::state {

namespace {

host::TemplateIdentity makeIdentity() {
    host::TemplateIdentity id;
    // sendVstEvents, sendVstMidiEvent, receiveVstEvents, receiveVstMidiEvent
    id.canDoBits = (1U << 0) | (1U << 1) | (1U << 3) | (1U << 4);
    id.numInputs = 2;
    id.numOutputs = 2;
    std::memcpy(id.uniqueId, "mF[_", 5);
    id.vendorVersion = 1;
    id.effectName = "mosko Frakle v1.3";
    id.vendor = "mosko";
    id.initialDelay = 0;
    id.flagBits = host::kFlagCanMono | host::kFlagCanReplacing | host::kFlagProgramChunks;
    return id;
}

// Stands in for the editor form until the skinned editor exists: shows nothing.
class TBlankForm : public host::TEditorForm {
public:
    void connect(host::AudioEffect * /*effect*/) override {}
};

std::unique_ptr<host::TEditorForm> createBlankForm(void * /*parentWindow*/) {
    return std::make_unique<TBlankForm>();
}

const host::FormClass kFormClass{APlugin::kEditorWidth, APlugin::kEditorHeight, createBlankForm};

void editorIdle(host::AudioEffect *effect, host::TEditorForm & /*form*/) {
    auto *plugin = static_cast<APlugin *>(effect);
    if (!plugin->editorOpen()) {
        return;
    }
}

uint32_t counterSeed() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<uint32_t>(ticks) ^ static_cast<uint32_t>(static_cast<uint64_t>(ticks) >> 32);
}

} // namespace

APlugin::APlugin(vst2::HostCallback audioMaster)
    : TVstTemplate(audioMaster, kNumParams, kNumPrograms, makeIdentity(), &kFormClass),
      random_(counterSeed()), engine_(store_.record(), random_) {
    store_.writeRecord(MakeDefaultRecord());
    finishConstruction();
    templateEditor()->setIdleHandler(editorIdle);
    engine_.prepare();
}

APlugin::~APlugin() = default;

void APlugin::initParameterTable() {
    for (int32_t i = 0; i < kNumParams; ++i) {
        const ParamInfo &info = kParamTable[static_cast<size_t>(i)];
        setPropertyText(i, info.label, info.minimum, info.maximum, info.unit);
    }
    defaultProgramReset();
}

// --- parameters ----------------------------------------------------------------------------

void APlugin::setParameter(int32_t index, float value) {
    TVstTemplate::setParameter(index, value);
    value = clampValue(value);
    if (index < 0 || index >= kNumParams) {
        return;
    }
    TProgramRecord &rec = record();
    const ParamInfo &info = kParamTable[static_cast<size_t>(index)];
    switch (info.kind) {
    case ParamKind::Stored:
        Store(FloatAt(rec, info.recordOffset), value);
        break;
    case ParamKind::PatternSelector:
        // A value arriving while another thread's switch is still under way is dropped.
        if (engine_.patternReady()) {
            engine_.clearPatternReady();
            const int32_t p =
                std::clamp(static_cast<int32_t>(std::floor(value * 15.0)), 0, kNumPatterns - 1);
            Store(rec.currentPattern, static_cast<uint8_t>(p));
            loadPattern(p);
        }
        break;
    case ParamKind::Switch:
        if (index < kFirstGlobal) {
            solo(value > 0.5f ? index - kFirstSolo : -1, true);
        } else {
            global(value > 0.5f ? index - kFirstGlobal : -1, true);
        }
        break;
    case ParamKind::Button:
        break;
    }
}

void APlugin::loadPattern(int32_t p) {
    p = std::clamp(p, 0, kNumPatterns - 1);
    TProgramRecord &rec = record();
    for (int k = 0; k < kMaxSteps; ++k) {
        engine_.setStepCode(k, Load(rec.patternSteps[p][k]));
    }
    soloEffect_.store(LoadEffectIndex(rec.patternSolo[p]), std::memory_order_relaxed);
    pendingGlobal_.store(LoadEffectIndex(rec.patternGlobal[p]), std::memory_order_relaxed);
    delayRefresh_.store(true, std::memory_order_relaxed);
    currentPattern_.store(p, std::memory_order_relaxed);
    engine_.setStepCount(Load(rec.stepCount));
    engine_.updateStepLengths();
}

void APlugin::solo(int32_t effect, bool forced) {
    const int32_t current = soloEffect();
    const int32_t next = forced ? effect : (effect == current ? -1 : effect);
    soloEffect_.store(next, std::memory_order_relaxed);
    Store(record().patternSolo[currentPattern()], static_cast<int8_t>(next));
    const int32_t pending = pendingGlobalEffect();
    if (pending == next && pending != -1) {
        global(-1, true);
    }
}

void APlugin::global(int32_t effect, bool forced) {
    delayRefresh_.store(true, std::memory_order_relaxed);
    const int32_t pending = pendingGlobalEffect();
    const int32_t next = forced ? effect : (effect == pending ? -1 : effect);
    pendingGlobal_.store(next, std::memory_order_relaxed);
    Store(record().patternGlobal[currentPattern()], static_cast<int8_t>(next));
    if (soloEffect() == next && next != -1) {
        solo(-1, true);
    }
}

// --- programs ------------------------------------------------------------------------------

void APlugin::setProgram(int32_t program) {
    if (program >= 0 && program < numPrograms()) {
        curProgram_ = program;
        // The solo and global switches are not replayed: nine on/off values in a row would
        // leave only the last one standing and erase the pattern's saved solo and global.
        for (int32_t i = 0; i < kNumParams; ++i) {
            if (kParamTable[static_cast<size_t>(i)].kind != ParamKind::Switch) {
                setParameter(i, getParameter(i));
            }
        }
    }
    migrateCcMap();
    programLoad();
}

void APlugin::migrateCcMap() {
    TProgramRecord &rec = record();
    bool legacy = false;
    for (const int8_t &entry : rec.legacyCcMap) {
        legacy = legacy || Load(entry) >= 0;
    }
    if (!legacy) {
        return;
    }
    for (int i = 0; i < 128; ++i) {
        Store(rec.ccMap[i], static_cast<int16_t>(Load(rec.legacyCcMap[i])));
        Store(rec.legacyCcMap[i], static_cast<int8_t>(-1));
    }
}

void APlugin::programLoad() {
    TProgramRecord &rec = record();
    for (const int16_t index : kProgramLoadOrder) {
        const ParamInfo &info = kParamTable[static_cast<size_t>(index)];
        const float value = info.kind == ParamKind::PatternSelector
                                ? static_cast<float>(Load(rec.currentPattern)) / 15.0f
                                : Load(FloatAt(rec, info.recordOffset));
        setParameterAutomated(index, value);
    }
    if (loadedSolo_ >= 0) {
        solo(loadedSolo_, true);
    }
    if (loadedGlobal_ >= 0) {
        global(loadedGlobal_, true);
    }
}

void APlugin::defaultProgramReset() {
    store_.writeRecord(MakeDefaultRecord());
    programLoad();
}

void APlugin::setProgramName(const char *name) {
    TProgramRecord &rec = record();
    size_t n = 0;
    while (n < sizeof(rec.name) - 1 && name[n] != 0) {
        Store(rec.name[n], name[n]);
        ++n;
    }
    Store(rec.name[n], '\0');
}

void APlugin::getProgramName(char *name) {
    const TProgramRecord &rec = record();
    size_t n = 0;
    while (n < sizeof(rec.name) - 1 && Load(rec.name[n]) != 0) {
        name[n] = Load(rec.name[n]);
        ++n;
    }
    name[n] = 0;
}

bool APlugin::getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char *text) {
    getProgramName(text); // one program: every index names program 0
    return true;
}

// --- audio ---------------------------------------------------------------------------------

void APlugin::resume() {
    wantEvents();
    engine_.requestRestart();
}

void APlugin::process(float **inputs, float **outputs, int32_t frames) {
    processBlock(inputs, outputs, frames, true);
}

void APlugin::processReplacing(float **inputs, float **outputs, int32_t frames) {
    processBlock(inputs, outputs, frames, false);
}

void APlugin::processBlock(float **inputs, float **outputs, int32_t frames, bool accumulate) {
    const engine::ScopedFlushDenormals noDenormals;
    const double hostRate = hostSampleRate();
    if (hostRate > 0.0) {
        setSampleRate(static_cast<float>(hostRate));
    }
    engine::BlockTiming timing;
    timing.sampleRate = getSampleRate();
    timing.tempo = tempoAt(0);
    const host::HostTime time = getTimeInfo(vst2::kVstPpqPosValid | vst2::kVstTransportPlaying);
    timing.timeValid = time.valid;
    timing.ppqPosition = time.ppqPosition;
    timing.playing = time.playing;
    engine_.processBlock(timing, inputs, outputs, frames, accumulate);
}

int32_t APlugin::processEvents(const host::MidiMessage * /*messages*/, int32_t /*count*/) {
    return 1;
}

} // namespace frakle::state

frakle::host::AudioEffect *frakle::host::createEffectInstance(vst2::HostCallback audioMaster) {
    return new frakle::state::APlugin(audioMaster);
}
