// frakle-host: a small stand-alone host for trying the editor without a digital audio
// workstation. It loads the plug-in, opens its editor inside a top-level X11 window of its own,
// calls effEditIdle about 30 times a second and, with --loop, plays a WAV file through the
// plug-in round and round at the real-time pace with the transport running, so the sequencer
// marker moves. Nothing is played out loud.
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"
#include "tools/testhost/TestHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
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
  --plugin PATH        plug-in to load (default: frakle.so beside this program)
  --loop FILE.wav      play the file through the plug-in in a loop, transport running
  --bpm X              tempo of the loop in beats per minute (default 120)
  --seconds N          close after N seconds (default: when the window is closed or the
                       program gets SIGINT or SIGTERM)
  --print-automation   list every automation call the plug-in made, on exit
  --help               show this text
On an error it prints one line "frakle-host: <problem>" and exits with status 2.
)";

std::filesystem::path besideSelf(const char *name) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return name;
    }
    self[n] = 0;
    return std::filesystem::path(self).parent_path() / name;
}

HostOptions parse(int argc, char **argv) {
    HostOptions o;
    o.plugin = besideSelf("frakle.so");
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
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        throw ToolError("cannot open the X display (is DISPLAY set?)");
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
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                              static_cast<unsigned>(std::max(width, 1)),
                                              static_cast<unsigned>(std::max(height, 1)), 0, 0, 0);
    XStoreName(display, window, host.effectName().c_str());
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window, &hints);
    Atom closeAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &closeAtom, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XSync(display, False);
    host.openEditor(static_cast<uintptr_t>(window));
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
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == closeAtom) {
                open = false;
            }
        }
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
    XDestroyWindow(display, window);
    XCloseDisplay(display);
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
