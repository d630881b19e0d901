// The operating-system services of Platform.h on Linux: the steady clock, clock_gettime, dlopen,
// /proc/self/exe, glibc's heap statistics. Each runs on its caller's thread (see Platform.h).
#include "platform/Platform.h"

#include <dlfcn.h>
#include <malloc.h>
#include <stdlib.h>

#include <chrono>
#include <ctime>

namespace frakle::platform {

uint32_t counterSeed() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<uint32_t>(ticks) ^ static_cast<uint32_t>(static_cast<uint64_t>(ticks) >> 32);
}

double localDays() {
    static const long offset = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local.tm_gmtoff;
    }();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const double seconds =
        static_cast<double>(now.tv_sec + offset) + 1e-9 * static_cast<double>(now.tv_nsec);
    return 25569.0 + seconds / 86400.0;
}

void *openLibrary(const std::filesystem::path &path, std::string &error) {
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char *text = dlerror();
        error = text != nullptr ? text : "cannot load " + path.string();
    }
    return library;
}

void *findSymbol(void *library, const char *name) { return dlsym(library, name); }

void closeLibrary(void *library) { dlclose(library); }

std::filesystem::path executablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

void setEnvironment(const char *name, const char *value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

std::size_t allocatedBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace frakle::platform
