// The few services the rest of Frakle takes from the operating system, so that nothing above
// this folder and gui/'s window layer knows which one it runs on: the plug-in's construction
// seed and the wall clock of its randomisers (UI thread), loading a plug-in binary (the hosts'
// threads) and, for tools and tests, the program's own path, the environment and the C heap's
// total. Posix.cpp serves Linux, Win32.cpp Windows; the build picks one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace frakle::platform {

// A seed that differs from one construction to the next: a fast counter's ticks.
uint32_t counterSeed();

// Local time in days since 30 December 1899. The first call does any slow set-up (reading the
// time zone), so later calls make no call that could block.
double localDays();

// A loaded library: open returns null and sets `error` on failure.
void *openLibrary(const std::filesystem::path &path, std::string &error);
void *findSymbol(void *library, const char *name);
void closeLibrary(void *library);

// The running program's file.
std::filesystem::path executablePath();

// Sets an environment variable, or removes it for a null value.
void setEnvironment(const char *name, const char *value);

// The bytes the C run-time's heap has handed out and not yet taken back, for leak checks.
std::size_t allocatedBytes();

} // namespace frakle::platform
