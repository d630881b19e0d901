// Construction, parameter application, programs and patterns of the plug-in object.
#include "state/uPlugin.h"

#include "engine/Denormals.h"
#include "midi/MidiMap.h"
#include "platform/Platform.h"
#include "state/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

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

void editorIdle(host::AudioEffect * /*effect*/, host::TEditorForm &form) { form.idle(); }

} // namespace

APlugin::APlugin(vst2::HostCallback audioMaster, const host::FormClass *formClass)
    : TVstTemplate(audioMaster, kNumParams, kNumPrograms, makeIdentity(),
                   formClass != nullptr ? formClass : &kFormClass),
      random_(platform::counterSeed()), engine_(store_.record(), random_),
      wallClock_(platform::localDays) {
    store_.writeRecord(MakeDefaultRecord());
    finishConstruction();
    templateEditor()->setIdleHandler(editorIdle);
    engine_.buildRandomPool();
    engine_.prepare();
    platform::localDays(); // reads the time zone now, on the UI thread
}

APlugin::~APlugin() {
    // An open editor goes first, while everything it may touch still exists.
    setEditor(nullptr);
}

void APlugin::initParameterTable() {
    for (int32_t i = 0; i < kNumParams; ++i) {
        const ParamInfo &info = kParamTable[static_cast<size_t>(i)];
        setPropertyText(i, info.label, info.minimum, info.maximum, info.unit);
    }
    defaultProgramReset();
}

// --- parameters ----------------------------------------------------------------------------

void APlugin::setParameter(int32_t index, float value) {
    if (std::isnan(value)) {
        return; // not a value: nothing is stored and nothing happens
    }
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
        applyEffectParameter(index, value);
        break;
    case ParamKind::PatternSelector:
        // A value arriving while another thread's switch is still under way is dropped.
        if (engine_.takePatternReady()) {
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
        if (value > 0.5f) {
            if (index < kFirstInitFx) {
                RandomiseEffectParameters(index - kFirstRandFx);
            } else {
                InitialiseEffectParameters(index - kFirstInitFx);
            }
            setParameterAutomated(index, 0.0f);
        }
        break;
    }
}

// What a stored setting sets off beyond its record field.
void APlugin::applyEffectParameter(int32_t index, float value) {
    const TProgramRecord &rec = record();
    const auto filterType = [](float v) { return static_cast<int>(std::floor(v * 4.0f)); };
    switch (index) {
    case kFraklAmt:
        for (int32_t e = 0; e <= engine::kNumEffects; ++e) {
            updateWeight(e);
        }
        return;
    case 6:  // "RetrgSpd"
    case 22: // "RevMode"
    case 14: // "StretDiv"
    case 15: // "StretAmt"
    case 27: // "StretXFd"
        engine_
            .effectState(index == 6    ? engine::kRetrigger
                         : index == 22 ? engine::kReverser
                                       : engine::kStretcher)
            .recompute.store(true, std::memory_order_release);
        return;
    case 7: // "RevLeft": "RevRight" follows it up
        engine_.effectState(engine::kReverser).recompute.store(true, std::memory_order_release);
        if (value > Load(rec.effects[engine::kReverser].param2)) {
            setParameterAutomated(8, value);
        }
        return;
    case 8: // "RevRight": "RevLeft" follows it down
        engine_.effectState(engine::kReverser).recompute.store(true, std::memory_order_release);
        if (value < Load(rec.effects[engine::kReverser].param1)) {
            setParameterAutomated(7, value);
        }
        return;
    case 16: // "ShuflMin"
        if (value > Load(rec.effects[engine::kShuffler].param2)) {
            setParameterAutomated(17, value);
        }
        return;
    case 17: // "ShuflMax"
        if (value < Load(rec.effects[engine::kShuffler].param1)) {
            setParameterAutomated(16, value);
        }
        return;
    case 12:  // "DelaySiz"
    case 13:  // "DelayWet"
    case 26:  // "DlyFedBk"
    case 124: // "DelaySep"
    case 127: // "DelayDry"
    case 128: // "DelayFin"
    {
        using Delay = dsp::TEffectDelay;
        const int param = index == 12    ? Delay::kTime
                          : index == 13  ? Delay::kWet
                          : index == 26  ? Delay::kFeedback
                          : index == 124 ? Delay::kSeparation
                          : index == 127 ? Delay::kDry
                                         : Delay::kFine;
        engine_.stepDelay().SetParam(param, value);
        engine_.globalDelay().SetParam(param, value);
        return;
    }
    case 32:
        engine_.masterFilter().SetType(filterType(value));
        return;
    case 33:
        engine_.masterFilter().SetCutoff(value);
        return;
    case 34:
        engine_.masterFilter().SetQ(value);
        return;
    default:
        break;
    }
    if (index >= kFirstEffectParam && index < kFirstEffectParam + 7 * engine::kNumEffects) {
        const int32_t e = (index - kFirstEffectParam) / 7;
        switch ((index - kFirstEffectParam) % 7) {
        case 0:
            updateWeight(e);
            break;
        case 1:
            engine_.effectFilter(e).SetType(filterType(value));
            break;
        case 2:
            engine_.effectFilter(e).SetCutoff(value);
            break;
        case 3:
            engine_.effectFilter(e).SetQ(value);
            break;
        default:
            break; // pan, mix and volume are read from the record as the audio runs
        }
    }
}

// Weight of effect e (0 … 8) or of "no effect" (9) from the probabilities and "FraklAmt".
void APlugin::updateWeight(int32_t effect) {
    const TProgramRecord &rec = record();
    // Clamped as their parameters store them: during a chunk load the fields not yet loaded
    // still hold the chunk's raw bytes.
    const double amount = clampValue(Load(rec.masterProb));
    int32_t weight = 0;
    if (effect == engine::kNoEffect) {
        weight = 900 - static_cast<int32_t>(std::floor(amount * 900.0));
    } else {
        const double probability = clampValue(Load(rec.effects[effect].prob));
        weight = static_cast<int32_t>(std::floor(probability * 100.0 * amount));
    }
    engine_.setWeight(effect, weight);
}

void APlugin::loadPattern(int32_t p) {
    p = std::clamp(p, 0, kNumPatterns - 1);
    TProgramRecord &rec = record();
    for (int k = 0; k < kMaxSteps; ++k) {
        engine_.setStepCode(k, Load(rec.patternSteps[p][k]));
    }
    engine_.setSoloEffect(LoadEffectIndex(rec.patternSolo[p]));
    engine_.setPendingGlobal(LoadEffectIndex(rec.patternGlobal[p]));
    engine_.requestDelayRefresh();
    currentPattern_.store(p, std::memory_order_relaxed);
    const int32_t before = engine_.stepCount();
    engine_.setStepCount(Load(rec.stepCount));
    if (engine_.stepCount() != before) {
        engine_.requestTimingRefresh(); // the sequence length follows at the next event
    }
    engine_.updateStepLengths();
    requestEditor(kRefreshSequencer);
}

void APlugin::solo(int32_t effect, bool forced) {
    const int32_t current = engine_.soloEffect();
    const int32_t next = forced ? effect : (effect == current ? -1 : effect);
    engine_.setSoloEffect(next);
    Store(record().patternSolo[currentPattern()], static_cast<int8_t>(next));
    const int32_t pending = engine_.pendingGlobal();
    if (pending == next && pending != -1) {
        global(-1, true);
    }
    requestEditor(kRefreshSoloSwitches | kRefreshGlobalSwitches);
}

void APlugin::global(int32_t effect, bool forced) {
    engine_.requestDelayRefresh();
    int32_t compare = engine_.pendingGlobal();
    if (compare == -1) {
        compare = engine_.globalEffect();
    }
    const int32_t next = forced ? effect : (effect == compare ? -1 : effect);
    engine_.setPendingGlobal(next);
    Store(record().patternGlobal[currentPattern()], static_cast<int8_t>(next));
    if (next == engine::kDelay) {
        // Old echoes of the global line die away; its feedback returns at the next event.
        engine_.globalDelay().SetParam(dsp::TEffectDelay::kFeedback, 0.0f);
    }
    if (engine_.soloEffect() == next && next != -1) {
        solo(-1, true);
    }
    requestEditor(kRefreshSoloSwitches | kRefreshGlobalSwitches);
}

// --- editor ------------------------------------------------------------------------------

float APlugin::GetControlValue(int32_t tag) {
    const TProgramRecord &rec = record();
    int32_t offset = -1;
    if (tag >= 1 && tag <= 113 && tag != 70 && tag != 81 && tag != 92) {
        offset = 24 + 4 * tag;
    } else if (tag >= 122 && tag <= 125) {
        constexpr int32_t kSpare[4] = {512, 556, 580, 600};
        offset = kSpare[tag - 122];
    } else if (tag >= 201 && tag <= 209) {
        offset = 660 + 4 * (tag - 201);
    } else if (tag >= 301 && tag <= 309) {
        offset = 696 + 4 * (tag - 301);
    }
    return offset < 0 ? 0.0f : Load(FloatAt(rec, offset));
}

int32_t APlugin::GetFilterMode(int32_t i) {
    return Load(record().filterQMode[std::clamp(i, 0, 9)]);
}

void APlugin::SetFilterMode(int32_t i, bool resonant) {
    i = std::clamp(i, 0, 9);
    Store(record().filterQMode[i], static_cast<uint8_t>(resonant ? 1 : 0));
    dsp::TFilterRBF2 &filter = i == 0 ? engine_.masterFilter() : engine_.effectFilter(i - 1);
    filter.SetResonant(resonant ? 1.0f : 0.0f);
}

int32_t APlugin::GetLength() { return std::clamp<int32_t>(Load(record().stepCount), 1, 64); }

int32_t APlugin::GetStep(int32_t i) {
    return Load(record().patternSteps[currentPattern()][std::clamp(i, 0, kMaxSteps - 1)]);
}

int32_t APlugin::GetPatternSolo() {
    return LoadEffectIndex(record().patternSolo[currentPattern()]);
}

int32_t APlugin::GetPatternGlobal() {
    return LoadEffectIndex(record().patternGlobal[currentPattern()]);
}

int32_t APlugin::GetClippingMode() {
    return std::clamp<int32_t>(Load(record().clippingMode), 1, 3);
}

void APlugin::StoreClippingMode(int32_t mode) {
    Store(record().clippingMode, static_cast<uint8_t>(std::clamp(mode, 1, 3)));
}

bool APlugin::GetIgnoreTransport() {
    const bool ignore = Load(record().ignoreTransport) != 0;
    engine_.setIgnoreTransport(ignore); // the engine follows the setting whenever it is read
    return ignore;
}

void APlugin::StoreDeclickSetting(float v) {
    v = clampValue(v);
    Store(record().noClickIn, v);
    const double rateFactor = engine_.sampleRate() / 44100.0;
    engine_.setJumpDeclickLimit(static_cast<int32_t>(std::nearbyint(512.0 * rateFactor * v)) + 1);
}

// --- MIDI ----------------------------------------------------------------------------------

bool APlugin::GetMidiEnabled() { return Load(record().midiEnabled) == 1; }

void APlugin::SetMidiEnabled(bool on) {
    Store(record().midiEnabled, static_cast<uint8_t>(on ? 1 : 0));
}

void APlugin::MidiLearn(int32_t tag, int32_t controller) {
    const int32_t parameter = midi::TagToParameter(tag);
    if (parameter >= 0) {
        midi::Learn(record(), parameter, controller);
    }
    SetMidiLearnTarget(-1);
    requestEditor(kHideLearnMarkers);
}

void APlugin::ForgetMidiLearn(int32_t tag) {
    const int32_t parameter = midi::TagToParameter(tag);
    if (parameter >= 0) {
        midi::Forget(record(), parameter);
    }
}

int32_t APlugin::processEvents(const host::MidiMessage *messages, int32_t count) {
    if (!GetMidiEnabled()) {
        return 1;
    }
    for (int32_t i = 0; i < count; ++i) {
        const midi::MidiAction action = midi::Decode(messages[i].bytes);
        if (action.kind == midi::MidiAction::Kind::SetParameter) {
            setParameterAutomated(action.index, action.value);
        } else if (action.kind == midi::MidiAction::Kind::ControlChange) {
            const int32_t target = GetMidiLearnTarget();
            if (target != -1) {
                MidiLearn(target, action.index);
            }
            const int32_t parameter = midi::BoundParameter(record(), action.index);
            if (parameter >= 0 && parameter < kNumParams) {
                setParameterAutomated(parameter, action.value);
            }
        }
    }
    return 1;
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

// A copy of the record taken while other threads write to it may catch a linked pair half-way
// through an update: "RevLeft" above "RevRight", "ShuflMin" above "ShuflMax", or one effect both
// solo and global in the current pattern. The copy is settled as a load settles it, so that every
// saved chunk loads back unchanged.
void APlugin::settleSnapshot(uint8_t *record) {
    const auto settlePair = [record](int leader, int follower) {
        float lead;
        float follow;
        std::memcpy(&lead, record + kParamTable[static_cast<size_t>(leader)].recordOffset, 4);
        std::memcpy(&follow, record + kParamTable[static_cast<size_t>(follower)].recordOffset, 4);
        if (lead > follow) {
            std::memcpy(record + kParamTable[static_cast<size_t>(follower)].recordOffset, &lead, 4);
        }
    };
    settlePair(7, 8);   // "RevRight" follows "RevLeft" up
    settlePair(16, 17); // "ShuflMax" follows "ShuflMin" up
    const uint8_t pattern = record[offsetof(TProgramRecord, currentPattern)];
    if (pattern < kNumPatterns) {
        uint8_t &solo = record[offsetof(TProgramRecord, patternSolo) + pattern];
        const uint8_t global = record[offsetof(TProgramRecord, patternGlobal) + pattern];
        if (static_cast<int8_t>(solo) >= 0 && solo == global) {
            solo = static_cast<uint8_t>(-1); // the global slot keeps the effect
        }
    }
}

void APlugin::programLoad() {
    TProgramRecord &rec = record();
    for (const int16_t index : kProgramLoadOrder) {
        const ParamInfo &info = kParamTable[static_cast<size_t>(index)];
        float value = info.kind == ParamKind::PatternSelector
                          ? static_cast<float>(Load(rec.currentPattern)) / 15.0f
                          : Load(FloatAt(rec, info.recordOffset));
        if (std::isnan(value)) {
            value = info.defaultValue; // a damaged field falls back to its default
        }
        setParameterAutomated(index, value);
    }
    applyQModes();
    GetIgnoreTransport(); // the engine runs free or follows the host as the program says
    requestEditor(kRefreshAll);
    // The solo and global effect a chunk load brought serve that load only: a later program
    // load (hosts send effSetProgram freely) keeps what the pattern and the user have now.
    const int32_t loadedSolo = std::exchange(loadedSolo_, -1);
    const int32_t loadedGlobal = std::exchange(loadedGlobal_, -1);
    if (loadedSolo >= 0) {
        solo(loadedSolo, true);
    }
    if (loadedGlobal >= 0) {
        global(loadedGlobal, true);
    }
}

// The stored Q mode of each filter: entry 0 the master filter, entry e + 1 effect e's.
void APlugin::applyQModes() {
    const TProgramRecord &rec = record();
    const auto mode = [&rec](int i) { return Load(rec.filterQMode[i]) != 0 ? 1.0f : 0.0f; };
    engine_.masterFilter().SetResonant(mode(0));
    for (int e = 0; e < engine::kNumEffects; ++e) {
        engine_.effectFilter(e).SetResonant(mode(e + 1));
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

} // namespace frakle::state
