// The help line, the about box, the header's MIDI and transport switches and the effects' init
// and randomise buttons, driven with the mouse on a headless window.
#include "EditorTestSupport.h"
#include "editor/HelpTexts.h"

#include <utility>

namespace frakle::editor::test {
namespace {

using HelpAndHeader = EditorFixture;
std::string tip(TPluginEditorWindow &form) { return form.tipLine()->caption(); }

TEST_F(HelpAndHeader, TheHelpLineChangesOnlyBetweenTags) {
    open();
    EXPECT_EQ(tip(*form_), "");
    hover(form_->knob(13));
    EXPECT_EQ(tip(*form_), "Master output volume level.");
    hover(form_->knob(12));
    EXPECT_EQ(tip(*form_), "Master output dry/wet mix level.");
    // Within one control the line is not written again.
    form_->tipLine()->setCaption("unchanged");
    hover(form_->knob(12), 20, 20);
    EXPECT_EQ(tip(*form_), "unchanged");
    hover(form_->knob(13));
    EXPECT_EQ(tip(*form_), "Master output volume level.");

    // The solo switches share one text, as do the global ones; their own tags are column numbers.
    hover(form_->soloSwitch(0));
    EXPECT_EQ(tip(*form_), HelpText(kTipSolo));
    form_->tipLine()->setCaption("unchanged");
    hover(form_->soloSwitch(5));
    EXPECT_EQ(tip(*form_), "unchanged");
    hover(form_->globalSwitch(5));
    EXPECT_EQ(tip(*form_), HelpText(kTipGlobal));

    // A value label keeps the line; the bare background clears it.
    hover(form_->display(45));
    EXPECT_EQ(tip(*form_), HelpText(kTipGlobal));
    ASSERT_EQ(form_->scene().root().controlAt(400, 100),
              form_->scene().root().children().front().get());
    point(400, 100);
    EXPECT_EQ(tip(*form_), "");
    hover(form_->globalSwitch(5)); // the same control again after a clear
    EXPECT_EQ(tip(*form_), HelpText(kTipGlobal));

    // Controls that are not knobs.
    hover(form_->stepImage(20), 5, 5);
    EXPECT_EQ(tip(*form_), HelpText(kTipStepArea));
    hover(form_->initButton(8));
    EXPECT_EQ(tip(*form_), "Reset effect parameters to default values.");
    // The invisible pattern-number learn area lies over the pattern bank: the bank keeps its own
    // text, the strip above it has the learn area's.
    point(600, 130);
    EXPECT_EQ(tip(*form_), HelpText(1004));
    point(600, 114);
    EXPECT_EQ(tip(*form_), "Right click to MIDI learn the Pattern Number parameter.");
}

TEST_F(HelpAndHeader, TwoClicksOnTheLogoShowAndHideTheAboutBox) {
    open();
    gui::TDIBContainer *box = form_->aboutBox();
    EXPECT_TRUE(box->visibleRect().isEmpty());
    click(form_->aboutBoxToggler(), TMouseButton::Left);
    EXPECT_EQ(box->visibleRect(), box->absoluteRect());   // wholly on screen
    click(form_->aboutBoxToggler(), TMouseButton::Right); // any button
    EXPECT_TRUE(box->visibleRect().isEmpty());
}

TEST_F(HelpAndHeader, HeaderSwitchesToggleTheirFlagsWithTheLeftButton) {
    open();
    gui::TDIBImage *transport = form_->transportSwitch();
    ASSERT_EQ(plugin_.record().ignoreTransport, 0);
    EXPECT_EQ(transport->index(), 9);
    click(transport, TMouseButton::Left);
    EXPECT_EQ(plugin_.record().ignoreTransport, 1);
    EXPECT_TRUE(plugin_.engine().ignoreTransport());
    EXPECT_EQ(transport->index(), 8);
    click(transport, TMouseButton::Right);
    EXPECT_EQ(plugin_.record().ignoreTransport, 1);
    click(transport, TMouseButton::Left);
    EXPECT_EQ(plugin_.record().ignoreTransport, 0);
    EXPECT_FALSE(plugin_.engine().ignoreTransport());
    EXPECT_EQ(transport->index(), 9);

    gui::TDIBImage *midi = form_->midiSwitch();
    EXPECT_EQ(midi->index(), 7);
    click(midi, TMouseButton::Left);
    EXPECT_FALSE(plugin_.GetMidiEnabled());
    EXPECT_EQ(midi->index(), 6);
    click(midi, TMouseButton::Middle);
    EXPECT_FALSE(plugin_.GetMidiEnabled());
    click(midi, TMouseButton::Left);
    EXPECT_TRUE(plugin_.GetMidiEnabled());
    EXPECT_EQ(midi->index(), 7);
}

TEST_F(HelpAndHeader, EffectButtonsActOnTheirEffect) {
    // Retrigger (column 2) away from its defaults; the tape stop and retrigger's probability
    // must not move.
    for (int32_t index : {6, 20, 21, 123}) {
        plugin_.setParameter(index, 0.9f);
    }
    const float tape = record(118);
    const float probability = record(51);
    open();

    click(form_->initButton(2), TMouseButton::Left);
    const std::pair<int32_t, float> defaults[] = {{6, 0.2f}, {20, 0.85f}, {21, 0.5f}, {123, 0.5f}};
    for (const auto &[index, value] : defaults) {
        EXPECT_EQ(record(index), value) << index;
        EXPECT_TRUE(wasAutomated(index)) << index;
    }
    EXPECT_EQ(form_->knob(45)->position(), 72); // shown at the idle call after the click

    sent().clear();
    state::APlugin twin(&recordingHost);
    twin.setWallClock(fixedClock);
    twin.RandomiseEffectParameters(2);
    click(form_->randomiseButton(2), TMouseButton::Left);
    for (int32_t index : {6, 20, 21, 123}) {
        const int offset = state::kParamTable[static_cast<size_t>(index)].recordOffset;
        EXPECT_EQ(record(index), state::FloatAt(twin.record(), offset)) << index;
        EXPECT_TRUE(wasAutomated(index)) << index;
    }
    EXPECT_NE(record(6), 0.2f);
    EXPECT_EQ(record(118), tape);
    EXPECT_EQ(record(51), probability);
    EXPECT_FALSE(wasAutomated(state::kFirstRandFx + 2)); // not through the trigger parameter
}

TEST_F(HelpAndHeader, OtherButtonsOnEffectButtonsArmLearn) {
    open();
    gui::TDIBImage *init = form_->initButton(3);
    gui::TDIBImage *fxInitMarker = form_->learnMarker(5);
    click(init, TMouseButton::Right);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 504);
    EXPECT_EQ(fxInitMarker->left(), init->left() - 16);
    EXPECT_EQ(fxInitMarker->top(), init->top() - 2);
    hover(form_->knob(13));
    hover(init, 4, 4); // over the marker, the button's text
    EXPECT_EQ(tip(*form_), HelpText(2053));

    const host::MidiMessage cc{0, {0xB0, 30, 0}};
    plugin_.processEvents(&cc, 1);
    form_->idle();
    EXPECT_EQ(plugin_.record().ccMap[30], state::kFirstInitFx + 3);
    EXPECT_EQ(fxInitMarker->left(), -100);

    // Armed again, a second click through the marker disarms and forgets the controller.
    click(init, TMouseButton::Right);
    click(init, TMouseButton::Right);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), -1);
    EXPECT_EQ(fxInitMarker->left(), -100);
    EXPECT_EQ(plugin_.record().ccMap[30], -1);

    gui::TDIBImage *randomise = form_->randomiseButton(7);
    click(randomise, TMouseButton::Middle);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 408);
    EXPECT_EQ(form_->learnMarker(6)->left(), randomise->left() - 2);
    EXPECT_EQ(form_->learnMarker(6)->top(), randomise->top() - 2);
}

} // namespace
} // namespace frakle::editor::test
