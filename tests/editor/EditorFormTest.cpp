// The editor form on a headless window, driven the way a user drives it: what it shows after
// opening, how knobs, selectors and switches reach the plug-in, the value texts, and the
// refresh from the program on idle calls.
#include "EditorTestSupport.h"
#include "editor/Skin.h"

namespace frakle::editor::test {
namespace {

class EditorForm : public EditorFixture {
protected:
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
};

TEST_F(EditorForm, OpensShowingTheProgram) {
    plugin_.setParameter(6, 0.5f); // "RetrgSpd"
    pattern({2, 0, 0, 5});
    open();
    EXPECT_TRUE(plugin_.editorOpen());
    EXPECT_EQ(form_->knob(45)->position(), 180);
    EXPECT_EQ(form_->knob(34)->position(), 108); // "Mod Freq" 0.025 of 4320
    EXPECT_EQ(form_->knob(16)->position(), 100); // a probability knob: 0.5 of 200
    EXPECT_EQ(text(45), "17.00");
    EXPECT_EQ(text(34), "125 Hz");
    EXPECT_EQ(form_->noteDisplay()->caption(), "B 2");
    EXPECT_EQ(stepImages(5), (std::vector<int32_t>{13, 24, 35, 5, 0}));
    EXPECT_EQ(form_->stepImage(63)->index(), 0);
    EXPECT_EQ(form_->lengthKnob()->position(), 4);
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

TEST_F(EditorForm, DraggingAKnobSendsItsValue) {
    open();
    gui::TDIBKnob *seed = form_->knob(1); // "RandSeed", at 0
    const gui::TRect r = seed->absoluteRect();
    window_->mouseDown(TMouseButton::Left, r.x + 5, r.y + 5);
    for (int i = 0; i < 9; ++i) {
        window_->mouseMoveBy(0, -10);
    }
    window_->mouseUp(TMouseButton::Left);
    form_->idle();
    EXPECT_EQ(seed->position(), 90);
    ASSERT_FALSE(sent().empty());
    EXPECT_EQ(sent().back().index, 0);
    EXPECT_EQ(sent().back().value, 0.25f);
    EXPECT_EQ(text(1), "90");
    EXPECT_FALSE(window_->cursorHidden());
}

TEST_F(EditorForm, MiddleClickReturnsAKnobToItsDefault) {
    plugin_.setParameter(4, 0.9f);
    plugin_.setParameter(37, 0.1f);
    open();
    click(form_->knob(34), TMouseButton::Middle);
    EXPECT_EQ(form_->knob(34)->position(), 108);
    EXPECT_EQ(record(4), 0.025f);
    EXPECT_EQ(text(34), "125 Hz");
    EXPECT_EQ(form_->noteDisplay()->caption(), "B 2");
    click(form_->knob(16), TMouseButton::Middle);
    EXPECT_EQ(form_->knob(16)->position(), 100);
    EXPECT_EQ(record(37), 0.5f);
}

TEST_F(EditorForm, ValueTexts) {
    open();
    const struct {
        int32_t tag;
        int32_t position;
        const char *text;
    } cases[] = {
        {47, 176, "- 3"},       {47, 180, "None"},      {47, 184, "+ 2"},
        {47, 0, "- 100"},       {47, 360, "+ 100"},     {79, 2, "Off"},
        {79, 3, "126"},         {56, 351, "8 steps"},   {56, 360, "8 steps"},
        {56, 340, "6 steps"},   {56, 0, "1/128 step"},  {1, 180, "180"},
        {4, 90, "2.00 steps"},  {112, 180, "500.00 %"}, {69, 0, "Ping Pong"},
        {69, 360, "Reverse 2"},
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
        click(form_->clippingIcon(), TMouseButton::Left);
        EXPECT_EQ(plugin_.GetClippingMode(), expected);
        EXPECT_EQ(form_->clippingIcon()->index(), expected - 1);
    }
    // Q mode of the retrigger's filter: B, then back to A.
    click(form_->filterMode(3), TMouseButton::Left);
    EXPECT_EQ(plugin_.GetFilterMode(3), 1);
    click(form_->filterMode(3), TMouseButton::Left);
    EXPECT_EQ(plugin_.GetFilterMode(3), 0);
    EXPECT_EQ(form_->filterMode(3)->index(), kFilterModeA);
    // The master filter type: the third cell is highpass.
    click(form_->filterType(0), TMouseButton::Left, 2 * 17 + 3);
    EXPECT_EQ(record(32), 0.5f);
    EXPECT_EQ(form_->filterType(0)->index(), 2);
    // Solo on, then the same effect as global clears the solo.
    click(form_->soloSwitch(4), TMouseButton::Left);
    EXPECT_EQ(plugin_.GetPatternSolo(), 4);
    EXPECT_EQ(form_->soloSwitch(4)->index(), kMiscSoloOn);
    click(form_->globalSwitch(4), TMouseButton::Left);
    EXPECT_EQ(plugin_.GetPatternGlobal(), 4);
    EXPECT_EQ(form_->soloSwitch(4)->index(), kMiscSoloOff);
    EXPECT_EQ(form_->globalSwitch(4)->index(), kMiscMasterEffectOn);
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
    sent().clear();
    form_->idle();
    EXPECT_EQ(form_->knob(46)->position(), 180);
    EXPECT_EQ(text(46), "50 %");
    EXPECT_EQ(form_->patternMarker()->left(), 459 + 60);
    EXPECT_TRUE(sent().empty());
}

TEST_F(EditorForm, RightClickArmsLearnAndASecondDisarms) {
    open();
    gui::TDIBKnob *speed = form_->knob(45);
    click(speed, TMouseButton::Right);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 45);
    EXPECT_EQ(form_->learnMarker(0)->left(), speed->left() - 1);
    const host::MidiMessage cc{0, {0xB0, 20, 127}};
    plugin_.processEvents(&cc, 1);
    form_->idle(); // the learn finished on the MIDI thread: the marker goes at this idle
    EXPECT_EQ(form_->learnMarker(0)->left(), -100);
    EXPECT_EQ(plugin_.record().ccMap[20], 6);
    click(speed, TMouseButton::Right);
    click(speed, TMouseButton::Right);
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), -1);
    EXPECT_EQ(plugin_.record().ccMap[20], -1);

    // A learn finished by MIDI, then another control armed before the next idle: that one
    // stays armed and keeps its marker.
    click(speed, gui::TMouseButton::Right);
    plugin_.processEvents(&cc, 1);
    gui::TDIBKnob *length = form_->knob(46);
    const gui::TRect r = length->absoluteRect();
    window_->mouseDown(gui::TMouseButton::Right, r.x + 1, r.y + 1);
    window_->mouseUp(gui::TMouseButton::Right, r.x + 1, r.y + 1);
    form_->idle();
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 46);
    EXPECT_EQ(form_->learnMarker(0)->left(), length->left() - 1);
}

TEST_F(EditorForm, ClosingMidDragAndReopening) {
    open();
    const gui::TRect r = form_->knob(1)->absoluteRect();
    window_->mouseDown(TMouseButton::Left, r.x + 5, r.y + 5);
    window_->mouseMoveBy(0, -20);
    form_->idle();
    form_.reset(); // the host closes the editor while the button is still held
    EXPECT_FALSE(plugin_.editorOpen());
    open();
    EXPECT_EQ(form_->knob(1)->position(), 20);
    EXPECT_TRUE(plugin_.editorOpen());
}

} // namespace
} // namespace frakle::editor::test
