// The LV2 editor in a real X11 window on a private display (run under with_xvfb.sh): made by the
// test as a host makes it, with a parent window and instance access, and driven by idle calls.
#include "tests/lv2/Lv2TestHost.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h> // after GoogleTest: Xlib's macros (None, …) clash with its names
#include <dlfcn.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace frakle::lv2_tests {
namespace {

std::vector<std::pair<uint32_t, float>> gWrites; // what the editor wrote to the host's ports

void writePort(LV2UI_Controller /*controller*/, uint32_t port, uint32_t size, uint32_t format,
               const void *buffer) {
    if (size == sizeof(float) && format == 0) {
        gWrites.emplace_back(port, *static_cast<const float *>(buffer));
    }
}

const LV2UI_Descriptor &uiDescriptor() {
    const Bundle &b = bundle();
    LilvUIs *uis = lilv_plugin_get_uis(b.plugin);
    const LilvUI *ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    char *path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    void *library = dlopen(path, RTLD_NOW); // kept loaded: the instances live in it too
    lilv_free(path);
    lilv_uis_free(uis);
    auto entry = reinterpret_cast<const LV2UI_Descriptor *(*)(uint32_t)>(
        library != nullptr ? dlsym(library, "lv2ui_descriptor") : nullptr);
    if (entry == nullptr || entry(0) == nullptr) {
        throw std::runtime_error("no LV2 UI descriptor");
    }
    return *entry(0);
}

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One connection for the whole run: the server resets when its last client leaves.
        static Display *const display = XOpenDisplay(nullptr);
        display_ = display;
        ASSERT_NE(display_, nullptr) << "run under tests/editor/with_xvfb.sh";
        parent_ =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 900, 700, 0, 0, 0);
        XMapWindow(display_, parent_);
        XSync(display_, False);
    }
    void TearDown() override {
        if (display_ != nullptr) {
            XDestroyWindow(display_, parent_);
            XSync(display_, False);
        }
    }

    LV2UI_Handle open(Lv2Instance &lv2, Window &widget) {
        LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void *>(parent_)};
        LV2_Feature access{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(lv2.instance())};
        LV2_Feature idle{LV2_UI__idleInterface, nullptr};
        const LV2_Feature *features[] = {&parent, &access, &idle, nullptr};
        LV2UI_Widget w = nullptr;
        LV2UI_Handle ui =
            ui_.instantiate(&ui_, "urn:mosko:frakle", "", writePort, nullptr, &w, features);
        widget = reinterpret_cast<Window>(w);
        return ui;
    }
    void idle(LV2UI_Handle ui, int times = 1) {
        const auto *iface =
            static_cast<const LV2UI_Idle_Interface *>(ui_.extension_data(LV2_UI__idleInterface));
        for (int i = 0; i < times; ++i) {
            EXPECT_EQ(iface->idle(ui), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    const LV2UI_Descriptor &ui_ = uiDescriptor();
    Display *display_ = nullptr;
    Window parent_ = 0;
};

TEST_F(Lv2UiTest, EmbedsTheEditorAndAKnobDragWritesRisingValues) {
    Lv2Instance lv2;
    Window widget = 0;
    LV2UI_Handle ui = open(lv2, widget);
    ASSERT_NE(ui, nullptr);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(display_, widget, &attributes), 0);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display_, widget, &root, &parent, &children, &count);
    XFree(children);
    EXPECT_EQ(std::tuple(attributes.width, attributes.height, parent),
              std::tuple(844, 626, parent_));
    idle(ui, 10);
    gWrites.clear();

    if (std::system("command -v xdotool > /dev/null") != 0) {
        GTEST_SKIP() << "xdotool not installed";
    }
    const std::string w = std::to_string(widget);
    ASSERT_EQ(std::system(("xdotool mousemove --window " + w + " 260 55 mousedown 1").c_str()), 0);
    idle(ui, 5);
    for (int step = 0; step < 9; ++step) {
        ASSERT_EQ(std::system("xdotool mousemove_relative -- 0 -10"), 0);
        idle(ui, 3);
    }
    ASSERT_EQ(std::system("xdotool mouseup 1"), 0);
    idle(ui, 5);
    // The "Seed" knob: "RandSeed", port 6, one step per pixel, 90 pixels up at most 0.25.
    std::vector<float> seed;
    for (const auto &[port, value] : gWrites) {
        EXPECT_EQ(port, kFirstParameterPort);
        seed.push_back(value);
    }
    ASSERT_GE(seed.size(), 5U);
    EXPECT_TRUE(std::is_sorted(seed.begin(), seed.end()) && seed.back() > 0.05f &&
                seed.back() <= 0.2501f);

    // A host change the plug-in has not taken yet reaches it through the UI at once, unechoed.
    gWrites.clear();
    const float volume = 0.25f;
    ui_.port_event(ui, kFirstParameterPort + 36, sizeof(float), 0, &volume);
    idle(ui, 2);
    float stored = 0.0f;
    std::memcpy(&stored, lv2.save()->data() + 76, sizeof(stored)); // "OutPtVol"
    EXPECT_EQ(std::tuple(stored, gWrites.empty()), std::tuple(volume, true));
    ui_.cleanup(ui);
}

TEST_F(Lv2UiTest, ClosingAndReopeningWhileAudioRunsIsSafe) {
    Lv2Instance lv2;
    std::atomic<bool> running{true};
    std::thread audio([&lv2, &running] {
        std::vector<float> in(256, 0.1f), out(256);
        lv2.position({0.0, 120.0f, 1.0f});
        while (running.load()) {
            lv2.run(in, in, out, out);
        }
    });
    for (int round = 0; round < 5; ++round) {
        Window widget = 0;
        LV2UI_Handle ui = open(lv2, widget);
        ASSERT_NE(ui, nullptr);
        idle(ui, 5);
        ui_.cleanup(ui);
    }
    running.store(false);
    audio.join();
}

} // namespace
} // namespace frakle::lv2_tests
