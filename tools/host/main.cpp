// frakle-host: a small stand-alone host for trying the editor without a digital audio
// workstation. It loads the plug-in, opens its editor inside a top-level window of its own (made
// by gui/'s window layer: X11 on Linux, Win32 on Windows), calls effEditIdle about 30 times a
// second on the main thread and, with --loop, plays a WAV file through the plug-in round and
// round at the real-time pace with the transport running on a thread of its own, so the
// sequencer marker moves. Nothing is played out loud.
#include "gui/Scene.h"
#include "gui/Window.h"
#include "platform/Platform.h"
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"
#include "tools/testhost/TestHost.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace frakle::tools {
namespace {

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void requestStop(int) { stopRequested = 1; }

struct HostOptions {
    std::filesystem::path plugin;
    std::optional<std::filesystem::path> loop;
    double bpm = 120.0;
    double seconds = 0.0; // 0: until the window is closed
    bool printAutomation = false;
};

const char *const kUsage = R"(Usage: frakle-host [options]

Opens the plug-in's editor in a window of its own and keeps it alive with idle calls.

Options:
  --plugin PATH        plug-in to load (default: )" FRAKLE_PLUGIN_FILE R"( beside this program)
  --loop FILE.wav      play the file through the plug-in in a loop, transport running
  --bpm X              tempo of the loop in beats per minute (default 120)
  --seconds N          close after N seconds (default: when the window is closed or the
                       program gets SIGINT or SIGTERM)
  --print-automation   list every automation call the plug-in made, on exit
  --help               show this text
On an error it prints one line "frakle-host: <problem>" and exits with status 2.
)";

std::filesystem::path besideSelf(const char *name) {
    const std::filesystem::path self = platform::executablePath();
    return self.empty() ? std::filesystem::path(name) : self.parent_path() / name;
}

HostOptions parse(int argc, char **argv) {
    HostOptions o;
    o.plugin = besideSelf(FRAKLE_PLUGIN_FILE);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw ToolError(arg + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--plugin") {
            o.plugin = value();
        } else if (arg == "--loop") {
            o.loop = value();
        } else if (arg == "--bpm") {
            o.bpm = parseNumber(value(), "--bpm");
            if (o.bpm <= 0.0) {
                throw ToolError("--bpm must be above 0");
            }
        } else if (arg == "--seconds") {
            o.seconds = parseNumber(value(), "--seconds");
            if (o.seconds < 0.0) {
                throw ToolError("--seconds must not be negative");
            }
        } else if (arg == "--print-automation") {
            o.printAutomation = true;
        } else {
            throw ToolError("unknown option " + arg + " (see --help)");
        }
    }
    return o;
}

int run(const HostOptions &options) {
    std::optional<Audio> loop;
    if (options.loop) {
        loop = readWav(*options.loop);
    }
    TestHost host(options.plugin);
    host.open();
    const double rate = loop ? loop->sampleRate : 44100.0;
    host.setSampleRate(rate);
    host.setBlockSize(512);
    host.timeline().tempo = options.bpm;
    host.timeline().playing = loop.has_value();
    host.resume();

    auto rect = host.editorRect();
    const int width = rect ? rect->right - rect->left : 844;
    const int height = rect ? rect->bottom - rect->top : 626;
    // The frame: a fixed-size top-level window whose close box ends the program.
    const std::unique_ptr<gui::TWindowBackend> frame = gui::openNativeWindow(
        0, std::max(width, 1), std::max(height, 1), host.effectName().c_str());
    if (!frame->isOpen()) {
        throw ToolError("cannot open a window (on Linux: is DISPLAY set?)");
    }
    gui::TScene frameScene(std::max(width, 1), std::max(height, 1)); // the frame shows nothing
    host.openEditor(frame->nativeHandle());
    host.idleEditor();
    std::printf("editor open\n");
    std::fflush(stdout);
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    std::atomic<bool> running{true};
    std::thread audio;
    if (loop) {
        audio = std::thread([&] {
            const std::vector<float> &l = loop->channels.front();
            const std::vector<float> &r = loop->channels.back();
            const size_t frames = l.size();
            std::vector<float> outL(512), outR(512);
            size_t at = 0;
            auto next = std::chrono::steady_clock::now();
            while (running && frames > 0) {
                const size_t n = std::min<size_t>(512, frames - at);
                host.processReplacing({l.data() + at, n}, {r.data() + at, n}, {outL.data(), n},
                                      {outR.data(), n});
                host.timeline().advance(static_cast<int64_t>(n));
                at = (at + n) % frames;
                next += std::chrono::microseconds(static_cast<int64_t>(1e6 * n / rate));
                std::this_thread::sleep_until(next);
            }
        });
    }

    const auto start = std::chrono::steady_clock::now();
    bool open = true;
    while (open) {
        frame->pumpEvents(frameScene);
        open = frame->isOpen();
        host.idleEditor();
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if ((options.seconds > 0.0 && elapsed >= options.seconds) || stopRequested != 0) {
            open = false;
        }
    }
    running = false;
    if (audio.joinable()) {
        audio.join();
    }
    host.closeEditor();
    if (options.printAutomation) {
        for (const Automation &a : host.automations()) {
            std::printf("automate %d %.6f\n", static_cast<int>(a.index),
                        static_cast<double>(a.value));
        }
    }
    return 0;
}

} // namespace
} // namespace frakle::tools

int main(int argc, char **argv) {
    using namespace frakle::tools;
    try {
        return run(parse(argc, argv));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "frakle-host: %s\n", error.what());
    }
    return kErrorExit;
}
