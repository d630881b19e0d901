// The operating-system services of Platform.h on Windows: QueryPerformanceCounter and
// GetTickCount, GetLocalTime, LoadLibrary, GetModuleFileName, the C run-time's heap walk. Each
// runs on its caller's thread (see Platform.h).
#include "platform/Platform.h"

#include <malloc.h>
#include <windows.h>

#include <cstdlib>
#include <vector>

namespace frakle::platform {

uint32_t counterSeed() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<uint64_t>(counter.QuadPart);
    return static_cast<uint32_t>(ticks) ^ static_cast<uint32_t>(ticks >> 32) ^ GetTickCount();
}

double localDays() {
    // The local time read as if it were UTC: 100-nanosecond ticks since 1 January 1601, which
    // lies 109,205 days before 30 December 1899. Windows keeps the zone; nothing is read first.
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME asIfUtc{};
    SystemTimeToFileTime(&local, &asIfUtc);
    const auto ticks = (static_cast<uint64_t>(asIfUtc.dwHighDateTime) << 32) |
                       static_cast<uint64_t>(asIfUtc.dwLowDateTime);
    return static_cast<double>(ticks) / 864e9 - 109205.0;
}

void *openLibrary(const std::filesystem::path &path, std::string &error) {
    const std::filesystem::path native = std::filesystem::path(path).make_preferred();
    HMODULE library = LoadLibraryW(native.c_str());
    if (library == nullptr) {
        error = "cannot load " + path.string() + " (error " + std::to_string(GetLastError()) + ")";
    }
    return reinterpret_cast<void *>(library);
}

void *findSymbol(void *library, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void *library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::filesystem::path executablePath() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) {
            return {};
        }
        if (n < name.size()) {
            return std::filesystem::path(std::wstring(name.data(), n));
        }
        name.resize(name.size() * 2);
    }
}

void setEnvironment(const char *name, const char *value) {
    _putenv_s(name, value != nullptr ? value : "");
}

std::size_t allocatedBytes() {
    _HEAPINFO entry{};
    std::size_t total = 0;
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY) {
            total += entry._size;
        }
    }
    return total;
}

} // namespace frakle::platform
