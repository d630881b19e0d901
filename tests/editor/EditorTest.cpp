// The editor form on a headless window, connected to a plug-in whose host records automation,
// driven the way a user drives it: what it shows after opening, how knobs, selectors and switches
// reach the plug-in, the value texts and the refresh from the program on idle calls; the
// sequencer area (choosing the effect, painting and dragging over steps, the step count,
// shifting, templates, the pattern bank with its MIDI learn and the randomiser, every edit in the
// saved program at once); the help line, the about box, the header's MIDI and transport switches
// and the effects' init and randomise buttons.
#include "editor/HelpTexts.h"
#include "editor/Skin.h"
#include "editor/uEditor.h"
#include "gui/HeadlessWindow.h"
#include "state/ParameterTable.h"
#include "state/uPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace frakle::editor::test {
namespace {

using gui::TMouseButton;
constexpr TMouseButton kLeft = TMouseButton::Left, kRight = TMouseButton::Right,
                       kMiddle = TMouseButton::Middle;

struct Sent {
    int32_t index;
    float value;
};
std::vector<Sent> sent;

bool wasAutomated(int32_t index) {
    return std::any_of(sent.begin(), sent.end(), [&](const Sent &s) { return s.index == index; });
}

intptr_t recordingHost(vst2::AEffect *, int32_t opcode, int32_t index, intptr_t, void *,
                       float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        sent.push_back({index, opt});
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// Tenth of a second 1000 of 1 January 1970, for the randomisers.
double fixedClock() { return 25569.0 + 1000.0 / 864000.0; }

std::string repeat(const std::string &s, int n) {
    std::string out;
    while (n-- > 0) {
        out += s;
    }
    return out;
}

// Rows of 20-pixel cells at top 125: chosen effect, randomiser, templates, pattern bank; the
// step-count box and the shift arrows below it.
constexpr int32_t kStrip = 10, kRandomise = 240, kTemplates = 370, kBank = 459, kRow = 135,
                  kLengthX = 792, kShiftY = 189;
constexpr int32_t step(int32_t i) { return 11 + 12 * i + 6; } // the middle of step i

class Editor : public ::testing::Test {
protected:
    Editor() : plugin_(&recordingHost) { plugin_.setWallClock(fixedClock); }

    // Opens the editor the way the wrapper does: a window, then the plug-in.
    void open() {
        auto window = std::make_unique<gui::THeadlessWindow>(844, 626);
        window_ = window.get();
        form_ = std::make_unique<TPluginEditorWindow>(std::move(window));
        form_->connect(&plugin_);
        sent.clear();
    }
    // A click at a point of the window (by default in the row of cells), or of a control.
    void clickAt(TMouseButton button, int32_t x, int32_t y = kRow) {
        window_->mouseDown(button, x, y);
        window_->mouseUp(button, x, y);
        form_->idle();
    }
    void click(const gui::TControl *control, TMouseButton button, int32_t dx = 1, int32_t dy = 1) {
        const gui::TRect r = control->absoluteRect();
        clickAt(button, r.x + dx, r.y + dy);
    }
    // The pointer moves to a point of the window, or of a control.
    void point(int32_t x, int32_t y) {
        window_->mouseMove(x, y);
        form_->idle();
    }
    void hover(const gui::TControl *control, int32_t dx = 2, int32_t dy = 2) {
        const gui::TRect r = control->absoluteRect();
        point(r.x + dx, r.y + dy);
    }
    void learnFrom(uint8_t cc, uint8_t value) {
        const host::MidiMessage message{0, {0xB0, cc, value}};
        plugin_.processEvents(&message, 1);
    }
    std::string text(int32_t tag) { return form_->display(tag)->caption(); }
    std::string tip() { return form_->tipLine()->caption(); }
    float record(int32_t index) {
        return state::FloatAt(plugin_.record(),
                              state::kParamTable[static_cast<size_t>(index)].recordOffset);
    }
    void pattern(std::vector<uint8_t> codes) {
        state::TProgramRecord &rec = plugin_.record();
        std::copy(codes.begin(), codes.end(), rec.patternSteps[0]);
        rec.stepCount = static_cast<int8_t>(codes.size());
    }
    std::vector<int32_t> stepImages(int32_t count) {
        std::vector<int32_t> images;
        for (int32_t i = 0; i < count; ++i) {
            images.push_back(form_->stepImage(i)->index());
        }
        return images;
    }
    // The current pattern's codes 0 … 11 as "0" … "b", as the record holds and the engine plays.
    std::string codes(state::APlugin &plugin) {
        std::string s;
        for (int32_t i = 0; i < 64; ++i) {
            s += "0123456789ab"[plugin.GetStep(i)];
            EXPECT_EQ(plugin.GetStep(i), plugin.engine().stepCode(i)) << "step " << i;
        }
        return s;
    }
    std::string codes() { return codes(plugin_); }
    // The current pattern as a saved program would hold it.
    void load(const std::string &codes, int8_t count) {
        const int32_t p = plugin_.GetPattern();
        for (size_t i = 0; i < 64; ++i) {
            const char c = codes[i % codes.size()];
            plugin_.record().patternSteps[p][i] = static_cast<uint8_t>(c <= '9' ? c - '0' : 11);
        }
        plugin_.record().stepCount = count;
        plugin_.loadPattern(p);
    }

    state::APlugin plugin_;
    gui::THeadlessWindow *window_ = nullptr;
    std::unique_ptr<TPluginEditorWindow> form_;
};
using EditorForm = Editor;
using PatternEditing = Editor;
using HelpAndHeader = Editor;

TEST_F(EditorForm, OpensShowingTheProgram) {
    plugin_.setParameter(6, 0.5f); // "RetrgSpd"
    pattern({2, 0, 0, 5});
    open();
    EXPECT_TRUE(plugin_.editorOpen());
    // "Mod Freq" 0.025 of 4320; a probability knob: 0.5 of 200.
    EXPECT_EQ(std::tuple(form_->knob(45)->position(), form_->knob(34)->position(),
                         form_->knob(16)->position(), form_->lengthKnob()->position()),
              std::tuple(180, 108, 100, 4));
    EXPECT_EQ(std::tuple(text(45), text(34), form_->noteDisplay()->caption()),
              std::tuple("17.00", "125 Hz", "B 2"));
    EXPECT_EQ(stepImages(5), (std::vector<int32_t>{13, 24, 35, 5, 0}));
    EXPECT_EQ(form_->stepImage(63)->index(), 0);
    form_.reset();
    EXPECT_FALSE(plugin_.editorOpen());
}

TEST_F(EditorForm, StepImagesJoinLongerEvents) {
    pattern({3, 4});
    open();
    EXPECT_EQ(stepImages(3), (std::vector<int32_t>{3, 4, 0}));
    pattern({0, 0, 7, 0, 11, 1, 0, 0});
    form_->RefreshSequencer(0);
    EXPECT_EQ(stepImages(8), (std::vector<int32_t>{11, 11, 18, 40, 11, 12, 23, 34}));
}

TEST_F(EditorForm, MiddleClickReturnsAKnobToItsDefault) {
    plugin_.setParameter(4, 0.9f);
    plugin_.setParameter(37, 0.1f);
    open();
    click(form_->knob(34), kMiddle);
    EXPECT_EQ(std::tuple(form_->knob(34)->position(), record(4), text(34),
                         form_->noteDisplay()->caption()),
              std::tuple(108, 0.025f, "125 Hz", "B 2"));
    click(form_->knob(16), kMiddle);
    EXPECT_EQ(std::tuple(form_->knob(16)->position(), record(37)), std::tuple(100, 0.5f));
}

// Each knob's text through the form; the rules themselves are worked out in ValueDisplayTest.
TEST_F(EditorForm, ValueTexts) {
    open();
    const struct {
        int32_t tag;
        int32_t position;
        const char *text;
    } cases[] = {
        {47, 176, "- 3"},     {79, 3, "126"},         {56, 351, "8 steps"},
        {56, 360, "8 steps"}, {56, 340, "6 steps"},   {56, 0, "1/128 step"},
        {1, 180, "180"},      {4, 90, "2.00 steps"},  {112, 180, "500.00 %"},
        {69, 0, "Ping Pong"}, {69, 360, "Reverse 2"},
    };
    for (const auto &c : cases) {
        form_->knob(c.tag)->setPosition(c.position);
        EXPECT_EQ(text(c.tag), c.text) << "tag " << c.tag << " at " << c.position;
    }
    // The fine knob updates the delay size text under the size knob.
    form_->knob(100)->setPosition(0);
    const std::string before = text(100);
    form_->knob(125)->setPosition(1440);
    EXPECT_NE(text(100), before);
}

TEST_F(EditorForm, SelectorsAndSwitches) {
    open();
    // Clipping: none → soft → hard → none.
    for (int expected : {2, 3, 1}) {
        click(form_->clippingIcon(), kLeft);
        EXPECT_EQ(std::tuple(plugin_.GetClippingMode(), form_->clippingIcon()->index()),
                  std::tuple(expected, expected - 1));
    }
    // Q mode of the retrigger's filter: B, then back to A.
    click(form_->filterMode(3), kLeft);
    EXPECT_EQ(plugin_.GetFilterMode(3), 1);
    click(form_->filterMode(3), kLeft);
    EXPECT_EQ(std::tuple(plugin_.GetFilterMode(3), form_->filterMode(3)->index()),
              std::tuple(0, static_cast<int32_t>(kFilterModeA)));
    // The master filter type: the third cell is highpass.
    click(form_->filterType(0), kLeft, 2 * 17 + 3);
    EXPECT_EQ(std::tuple(record(32), form_->filterType(0)->index()), std::tuple(0.5f, 2));
    // Solo on, then the same effect as global clears the solo.
    click(form_->soloSwitch(4), kLeft);
    EXPECT_EQ(std::tuple(plugin_.GetPatternSolo(), form_->soloSwitch(4)->index()),
              std::tuple(4, static_cast<int32_t>(kMiscSoloOn)));
    click(form_->globalSwitch(4), kLeft);
    EXPECT_EQ(std::tuple(plugin_.GetPatternGlobal(), form_->soloSwitch(4)->index(),
                         form_->globalSwitch(4)->index()),
              std::tuple(4, static_cast<int32_t>(kMiscSoloOff),
                         static_cast<int32_t>(kMiscMasterEffectOn)));
}

TEST_F(EditorForm, RefreshFollowsTheHostWithoutSendingBack) {
    open();
    form_->RefreshAll(true);
    form_->scene().update();
    window_->clearPresented();
    form_->RefreshAll(false);
    form_->scene().update();
    EXPECT_TRUE(window_->presented().empty()); // nothing changed, nothing redrawn

    plugin_.setParameter(20, 0.5f); // "RetrgLen", as host automation
    plugin_.setParameter(2, 3.0f / 15.0f);
    sent.clear();
    form_->idle();
    EXPECT_EQ(std::tuple(form_->knob(46)->position(), text(46), form_->patternMarker()->left()),
              std::tuple(180, "50 %", 459 + 60));
    EXPECT_TRUE(sent.empty());
}

TEST_F(EditorForm, RightClickArmsLearnAndASecondDisarms) {
    open();
    gui::TDIBKnob *speed = form_->knob(45);
    click(speed, kRight);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 45);
    EXPECT_EQ(form_->learnMarker(0)->left(), speed->left() - 1);
    learnFrom(20, 127);
    form_->idle(); // the learn finished on the MIDI thread: the marker goes at this idle
    EXPECT_EQ(form_->learnMarker(0)->left(), -100);
    EXPECT_EQ(plugin_.record().ccMap[20], 6);
    click(speed, kRight);
    click(speed, kRight);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), -1);
    EXPECT_EQ(plugin_.record().ccMap[20], -1);

    // A learn finished by MIDI, then another control armed before the next idle: that one
    // stays armed and keeps its marker.
    click(speed, kRight);
    learnFrom(20, 127);
    gui::TDIBKnob *length = form_->knob(46);
    const gui::TRect r = length->absoluteRect();
    window_->mouseDown(kRight, r.x + 1, r.y + 1);
    window_->mouseUp(kRight, r.x + 1, r.y + 1);
    form_->idle();
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 46);
    EXPECT_EQ(form_->learnMarker(0)->left(), length->left() - 1);
}

TEST_F(EditorForm, ClosingMidDragAndReopening) {
    open();
    const gui::TRect r = form_->knob(1)->absoluteRect();
    window_->mouseDown(kLeft, r.x + 5, r.y + 5);
    window_->mouseMoveBy(0, -20);
    form_->idle();
    form_.reset(); // the host closes the editor while the button is still held
    EXPECT_FALSE(plugin_.editorOpen());
    open();
    EXPECT_EQ(form_->knob(1)->position(), 20);
    EXPECT_TRUE(plugin_.editorOpen());
}

TEST_F(PatternEditing, OpensWithTheMarkerOnTheChosenEffect) {
    plugin_.StoreChosenEffect(5);
    open();
    EXPECT_EQ(form_->chosenEffectMarker()->left(), kStrip + 100);
}

TEST_F(PatternEditing, ChoosingAndPaintingSteps) {
    load("1", 16);
    open();
    clickAt(kLeft, kStrip + 2 * 20 + 5); // effect 1: code 3
    EXPECT_EQ(form_->chosenEffectMarker()->left(), kStrip + 40);
    clickAt(kRight, step(0), 179); // a tie cannot open the pattern: blank
    clickAt(kMiddle, step(10), 179);
    clickAt(kRight, step(12), 179);
    clickAt(kLeft, step(20), 179); // beyond the 16 steps in use: nothing
    window_->mouseDown(kLeft, step(3), 179);
    for (int i = 0; i < 8; ++i) {
        window_->mouseMoveBy(6, 0); // to step 7, in half steps
    }
    window_->mouseUp(kLeft);
    clickAt(kLeft, 2 + 94 * 5 + 5, 250); // the crusher column: code 7
    clickAt(kLeft, step(14), 179);
    EXPECT_EQ(codes(), "b113333311b10171" + repeat("1", 48));
}

TEST_F(PatternEditing, LengthShiftAndTemplates) {
    load("20400600", 6);
    open();
    clickAt(kRight, kLengthX + 5);
    EXPECT_EQ(std::tuple(plugin_.GetLength(), form_->lengthKnob()->position()), std::tuple(5, 5));
    clickAt(kMiddle, kLengthX + 5);
    clickAt(kMiddle, kLengthX + 5); // stays at 4
    EXPECT_EQ(plugin_.engine().stepCount(), 4);
    clickAt(kRight, kLengthX + 21); // right of the middle: up
    clickAt(kRight, kLengthX + 20); // on it: down
    EXPECT_EQ(plugin_.GetLength(), 4);
    clickAt(kRight, kLengthX + 21);
    EXPECT_EQ(plugin_.GetLength(), 5);
    clickAt(kMiddle, kLengthX + 20);
    EXPECT_EQ(plugin_.GetLength(), 4);
    clickAt(kLeft, kLengthX + 5, kShiftY); // rotate left, then right again
    EXPECT_EQ(codes().substr(0, 8), "04020600");
    clickAt(kLeft, kLengthX + 30, kShiftY);
    EXPECT_EQ(codes().substr(0, 8), "20400600");
    window_->mouseDown(kLeft, kLengthX + 30, kRow); // a step up, then a drag
    window_->mouseMoveBy(100, 0);
    window_->mouseUp(kLeft);
    form_->idle();
    EXPECT_EQ(plugin_.GetLength(), 64);

    plugin_.SetLength(7);
    clickAt(kLeft, kTemplates + 3 * 20 + 19);
    EXPECT_EQ(std::tuple(codes(), plugin_.GetLength()), std::tuple(repeat("b100", 16), 7));
}

TEST_F(PatternEditing, BankSwitchesCopiesAndLearnsAroundIt) {
    open();
    clickAt(kLeft, kBank + 2 * 20 + 5);
    ASSERT_EQ(plugin_.GetPattern(), 2);
    load("30b6000", 16);
    plugin_.solo(3, true);
    plugin_.global(6, true);
    clickAt(kRight, kBank + 2 * 20 + 5); // the playing pattern: nothing
    EXPECT_EQ(plugin_.GetPattern(), 2);
    clickAt(kRight, kBank + 5 * 20 + 5);
    EXPECT_EQ(std::tuple(plugin_.GetPattern(), codes().substr(0, 4), plugin_.GetPatternSolo(),
                         plugin_.GetPatternGlobal(), form_->patternMarker()->left()),
              std::tuple(5, "30b6", 3, 6, kBank + 100));

    clickAt(kRight, kBank + 30, 115); // above the cells: learn "Pattern"
    EXPECT_EQ(std::tuple(plugin_.GetMidiLearnTarget(), form_->learnMarker(7)->opacity()),
              std::tuple(181, 255));
    learnFrom(21, 0);
    form_->idle();
    EXPECT_EQ(std::tuple(plugin_.record().ccMap[21], plugin_.GetPattern(),
                         form_->learnMarker(7)->opacity()),
              std::tuple(2, 0, 0));
}

TEST_F(PatternEditing, RandomiserModesLeaveTheEngineSequenceAlone) {
    plugin_.setWallClock([] { return 45292.75; });
    open();
    plugin_.engine().random().setSeed(1234);
    const std::string mode[3] = {
        "0010001000100000100000000001100000001111001000010111000000001000",
        "50007000a0005000a00060003000a00020007000500060009000400060002000",
        "86407a0806040780978400740050002520790a6a000009638a4a090060043500"};
    const int32_t x[3] = {kRandomise + 39, kRandomise + 40, kRandomise + 80};
    for (int m = 0; m < 3; ++m) {
        load("1000", 64);
        clickAt(kLeft, x[m]);
        EXPECT_EQ(codes(), mode[m]) << "mode " << m + 1;
    }
    EXPECT_EQ(plugin_.engine().random().seed(), 1234U);
    for (int e = 0; e < 9; ++e) {
        plugin_.setParameter(37 + 7 * e, 0.0f); // no effect has a chance: only blanks
    }
    load("1000", 64);
    clickAt(kLeft, x[1]);
    EXPECT_EQ(codes(), repeat("b000", 16));
}

TEST_F(PatternEditing, EditsAreInTheSavedProgramAtOnce) {
    open();
    clickAt(kLeft, kTemplates + 5);
    clickAt(kMiddle, step(1), 179);
    clickAt(kMiddle, kLengthX + 5);
    void *data = nullptr;
    const int32_t size = plugin_.getChunk(&data, true);
    state::APlugin fresh(&recordingHost);
    ASSERT_EQ(fresh.setChunk(data, size, true), size);
    EXPECT_EQ(codes(fresh), codes());
    EXPECT_EQ(fresh.engine().stepCount(), 63);
}

TEST_F(HelpAndHeader, TheHelpLineChangesOnlyBetweenTags) {
    open();
    // The line after the pointer moves over a control, or to a point.
    const auto over = [&](const gui::TControl *control, std::string_view line, int32_t dx = 2,
                          int32_t dy = 2) {
        hover(control, dx, dy);
        EXPECT_EQ(tip(), line);
    };
    const auto at = [&](int32_t x, int32_t y, std::string_view line) {
        point(x, y);
        EXPECT_EQ(tip(), line);
    };
    EXPECT_EQ(tip(), "");
    over(form_->knob(13), "Master output volume level.");
    over(form_->knob(12), "Master output dry/wet mix level.");
    // Within one control the line is not written again.
    form_->tipLine()->setCaption("unchanged");
    over(form_->knob(12), "unchanged", 20, 20);
    over(form_->knob(13), "Master output volume level.");
    // The solo switches share one text; the bare background clears the line.
    over(form_->soloSwitch(0), HelpText(kTipSolo));
    at(400, 100, "");
    // Controls that are not knobs.
    over(form_->stepImage(20), HelpText(kTipStepArea), 5, 5);
    over(form_->initButton(8), "Reset effect parameters to default values.");
    // The invisible pattern-number learn area lies over the pattern bank: the bank keeps its own
    // text, the strip above it has the learn area's.
    at(600, 130, HelpText(1004));
    at(600, 114, "Right click to MIDI learn the Pattern Number parameter.");
}

TEST_F(HelpAndHeader, TwoClicksOnTheLogoShowAndHideTheAboutBox) {
    open();
    gui::TDIBContainer *box = form_->aboutBox();
    EXPECT_TRUE(box->visibleRect().isEmpty());
    click(form_->aboutBoxToggler(), kLeft);
    EXPECT_EQ(box->visibleRect(), box->absoluteRect()); // wholly on screen
    click(form_->aboutBoxToggler(), kRight);            // any button
    EXPECT_TRUE(box->visibleRect().isEmpty());
}

// Each switch's flag and image after each click: only the left button toggles.
TEST_F(HelpAndHeader, HeaderSwitchesToggleTheirFlagsWithTheLeftButton) {
    open();
    gui::TDIBImage *transport = form_->transportSwitch(), *midi = form_->midiSwitch();
    const auto state = [&] {
        return std::tuple(plugin_.record().ignoreTransport, plugin_.engine().ignoreTransport(),
                          transport->index(), plugin_.GetMidiEnabled(), midi->index());
    };
    EXPECT_EQ(state(), std::tuple(0, false, 9, true, 7));
    const std::pair<gui::TDIBImage *, TMouseButton> clicks[] = {
        {transport, kLeft}, {transport, kRight}, {midi, kLeft}, {midi, kMiddle}};
    const std::tuple<uint8_t, bool, int32_t, bool, int32_t> after[] = {{1, true, 8, true, 7},
                                                                       {1, true, 8, true, 7},
                                                                       {1, true, 8, false, 6},
                                                                       {1, true, 8, false, 6}};
    for (size_t i = 0; i < std::size(clicks); ++i) {
        click(clicks[i].first, clicks[i].second);
        EXPECT_EQ(state(), after[i]) << i;
    }
    click(transport, kLeft);
    click(midi, kLeft);
    EXPECT_EQ(state(), std::tuple(0, false, 9, true, 7));
}

TEST_F(HelpAndHeader, EffectButtonsActOnTheirEffect) {
    // Retrigger (column 2) away from its defaults; the tape stop and retrigger's probability
    // must not move.
    const int32_t own[] = {6, 20, 21, 123};
    for (int32_t index : own) {
        plugin_.setParameter(index, 0.9f);
    }
    const float tape = record(118);
    const float probability = record(51);
    open();

    click(form_->initButton(2), kLeft);
    const float defaults[] = {0.2f, 0.85f, 0.5f, 0.5f};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::tuple(record(own[i]), wasAutomated(own[i])), std::tuple(defaults[i], true))
            << own[i];
    }
    EXPECT_EQ(form_->knob(45)->position(), 72); // shown at the idle call after the click

    sent.clear();
    state::APlugin twin(&recordingHost);
    twin.setWallClock(fixedClock);
    twin.RandomiseEffectParameters(2);
    click(form_->randomiseButton(2), kLeft);
    for (int32_t index : own) {
        const int offset = state::kParamTable[static_cast<size_t>(index)].recordOffset;
        EXPECT_EQ(std::tuple(record(index), wasAutomated(index)),
                  std::tuple(state::FloatAt(twin.record(), offset), true))
            << index;
    }
    EXPECT_NE(record(6), 0.2f);
    EXPECT_EQ(std::tuple(record(118), record(51)), std::tuple(tape, probability));
    EXPECT_FALSE(wasAutomated(state::kFirstRandFx + 2)); // not through the trigger parameter
}

TEST_F(HelpAndHeader, OtherButtonsOnEffectButtonsArmLearn) {
    open();
    gui::TDIBImage *init = form_->initButton(3);
    gui::TDIBImage *fxInitMarker = form_->learnMarker(5);
    click(init, kRight);
    EXPECT_EQ(std::tuple(plugin_.GetMidiLearnTarget(), fxInitMarker->left(), fxInitMarker->top()),
              std::tuple(504, init->left() - 16, init->top() - 2));
    hover(form_->knob(13));
    hover(init, 4, 4); // over the marker, the button's text
    EXPECT_EQ(tip(), HelpText(2053));

    learnFrom(30, 0);
    form_->idle();
    EXPECT_EQ(std::tuple(plugin_.record().ccMap[30], fxInitMarker->left()),
              std::tuple(static_cast<int16_t>(state::kFirstInitFx + 3), -100));

    // Armed again, a second click through the marker disarms and forgets the controller.
    click(init, kRight);
    click(init, kRight);
    EXPECT_EQ(
        std::tuple(plugin_.GetMidiLearnTarget(), fxInitMarker->left(), plugin_.record().ccMap[30]),
        std::tuple(-1, -100, static_cast<int16_t>(-1)));

    gui::TDIBImage *randomise = form_->randomiseButton(7);
    click(randomise, kMiddle);
    EXPECT_EQ(std::tuple(plugin_.GetMidiLearnTarget(), form_->learnMarker(6)->left(),
                         form_->learnMarker(6)->top()),
              std::tuple(408, randomise->left() - 2, randomise->top() - 2));
}

} // namespace
} // namespace frakle::editor::test
