// The plug-in library's exported entry points. Hosts look for VSTPluginMain, older ones for main.
#include "host/DAudioEffect.h"

#include <new>

namespace {

vst2::AEffect *createEffect(vst2::HostCallback audioMaster) {
    if (audioMaster == nullptr ||
        audioMaster(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    try {
        frakle::host::AudioEffect *effect = frakle::host::createEffectInstance(audioMaster);
        return effect != nullptr ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr; // nothing may escape into the host
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) vst2::AEffect *
VSTPluginMain(vst2::HostCallback audioMaster) {
    return createEffect(audioMaster);
}

// `main` is a reserved name in C++, so the legacy symbol gets it from the assembler.
__attribute__((visibility("default"))) vst2::AEffect *
frakleLegacyMain(vst2::HostCallback audioMaster) __asm__("main");
vst2::AEffect *frakleLegacyMain(vst2::HostCallback audioMaster) {
    return createEffect(audioMaster);
}
}
