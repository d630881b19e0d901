// The sequencer area driven with the mouse on a headless window: choosing the effect, painting
// and dragging over steps, the step count, shifting, templates, the pattern bank with its MIDI
// learn and the randomiser, and that every edit is in the saved program at once.
#include "EditorTestSupport.h"

namespace frakle::editor::test {
namespace {

// Rows of 20-pixel cells at top 125: chosen effect, randomiser, templates, pattern bank.
constexpr int32_t kStrip = 10, kRandomise = 240, kTemplates = 370, kBank = 459, kRow = 135;

std::string repeat(const std::string &s, int n) {
    std::string out;
    while (n-- > 0) {
        out += s;
    }
    return out;
}

class PatternEditing : public EditorFixture {
protected:
    void click(TMouseButton button, int32_t x, int32_t y = kRow) { clickAt(button, x, y); }
    static int32_t step(int32_t i) { return 11 + 12 * i + 6; } // the middle of step i
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
    void load(const std::string &pattern, int8_t count) {
        const int32_t p = plugin_.GetPattern();
        for (size_t i = 0; i < 64; ++i) {
            const char c = pattern[i % pattern.size()];
            plugin_.record().patternSteps[p][i] = static_cast<uint8_t>(c <= '9' ? c - '0' : 11);
        }
        plugin_.record().stepCount = count;
        plugin_.loadPattern(p);
    }
};

TEST_F(PatternEditing, OpensWithTheMarkerOnTheChosenEffect) {
    plugin_.StoreChosenEffect(5);
    open();
    EXPECT_EQ(form_->chosenEffectMarker()->left(), kStrip + 100);
}

TEST_F(PatternEditing, ChoosingAndPaintingSteps) {
    load("1", 16);
    open();
    click(TMouseButton::Left, kStrip + 2 * 20 + 5); // effect 1: code 3
    EXPECT_EQ(form_->chosenEffectMarker()->left(), kStrip + 40);
    click(TMouseButton::Right, step(0), 179); // a tie cannot open the pattern: blank
    click(TMouseButton::Middle, step(10), 179);
    click(TMouseButton::Right, step(12), 179);
    click(TMouseButton::Left, step(20), 179); // beyond the 16 steps in use: nothing
    window_->mouseDown(TMouseButton::Left, step(3), 179);
    for (int i = 0; i < 8; ++i) {
        window_->mouseMoveBy(6, 0); // to step 7, in half steps
    }
    window_->mouseUp(TMouseButton::Left);
    click(TMouseButton::Left, 2 + 94 * 5 + 5, 250); // the crusher column: code 7
    click(TMouseButton::Left, step(14), 179);
    EXPECT_EQ(codes(), "b113333311b10171" + repeat("1", 48));
}

TEST_F(PatternEditing, LengthShiftAndTemplates) {
    load("20400600", 6);
    open();
    const int32_t lengthX = 792, shiftY = 189;
    click(TMouseButton::Right, lengthX + 5);
    EXPECT_EQ(plugin_.GetLength(), 5);
    EXPECT_EQ(form_->lengthKnob()->position(), 5);
    click(TMouseButton::Middle, lengthX + 5);
    click(TMouseButton::Middle, lengthX + 5); // stays at 4
    EXPECT_EQ(plugin_.engine().stepCount(), 4);
    click(TMouseButton::Right, lengthX + 21); // right of the middle: up
    click(TMouseButton::Right, lengthX + 20); // on it: down
    EXPECT_EQ(plugin_.GetLength(), 4);
    click(TMouseButton::Right, lengthX + 21);
    EXPECT_EQ(plugin_.GetLength(), 5);
    click(TMouseButton::Middle, lengthX + 20);
    EXPECT_EQ(plugin_.GetLength(), 4);
    click(TMouseButton::Left, lengthX + 5, shiftY); // rotate left, then right again
    EXPECT_EQ(codes().substr(0, 8), "04020600");
    click(TMouseButton::Left, lengthX + 30, shiftY);
    EXPECT_EQ(codes().substr(0, 8), "20400600");
    window_->mouseDown(TMouseButton::Left, lengthX + 30, kRow); // a step up, then a drag
    window_->mouseMoveBy(100, 0);
    window_->mouseUp(TMouseButton::Left);
    form_->idle();
    EXPECT_EQ(plugin_.GetLength(), 64);

    plugin_.SetLength(7);
    click(TMouseButton::Left, kTemplates + 3 * 20 + 19);
    EXPECT_EQ(codes(), repeat("b100", 16));
    EXPECT_EQ(plugin_.GetLength(), 7);
}

TEST_F(PatternEditing, BankSwitchesCopiesAndLearnsAroundIt) {
    open();
    click(TMouseButton::Left, kBank + 2 * 20 + 5);
    ASSERT_EQ(plugin_.GetPattern(), 2);
    load("30b6000", 16);
    plugin_.solo(3, true);
    plugin_.global(6, true);
    click(TMouseButton::Right, kBank + 2 * 20 + 5); // the playing pattern: nothing
    EXPECT_EQ(plugin_.GetPattern(), 2);
    click(TMouseButton::Right, kBank + 5 * 20 + 5);
    EXPECT_EQ(plugin_.GetPattern(), 5);
    EXPECT_EQ(codes().substr(0, 4), "30b6");
    EXPECT_EQ(plugin_.GetPatternSolo(), 3);
    EXPECT_EQ(plugin_.GetPatternGlobal(), 6);
    EXPECT_EQ(form_->patternMarker()->left(), kBank + 100);

    click(TMouseButton::Right, kBank + 30, 115); // above the cells: learn "Pattern"
    EXPECT_EQ(plugin_.GetMidiLearnTarget(), 181);
    EXPECT_EQ(form_->learnMarker(7)->opacity(), 255);
    const host::MidiMessage cc{0, {0xB0, 21, 0}};
    plugin_.processEvents(&cc, 1);
    form_->idle();
    EXPECT_EQ(plugin_.record().ccMap[21], 2);
    EXPECT_EQ(plugin_.GetPattern(), 0);
    EXPECT_EQ(form_->learnMarker(7)->opacity(), 0);
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
        click(TMouseButton::Left, x[m]);
        EXPECT_EQ(codes(), mode[m]) << "mode " << m + 1;
    }
    EXPECT_EQ(plugin_.engine().random().seed(), 1234U);
    for (int e = 0; e < 9; ++e) {
        plugin_.setParameter(37 + 7 * e, 0.0f); // no effect has a chance: only blanks
    }
    load("1000", 64);
    click(TMouseButton::Left, x[1]);
    EXPECT_EQ(codes(), repeat("b000", 16));
}

TEST_F(PatternEditing, EditsAreInTheSavedProgramAtOnce) {
    open();
    click(TMouseButton::Left, kTemplates + 5);
    click(TMouseButton::Middle, step(1), 179);
    click(TMouseButton::Middle, 792 + 5);
    void *data = nullptr;
    const int32_t size = plugin_.getChunk(&data, true);
    const std::vector<uint8_t> chunk(static_cast<uint8_t *>(data),
                                     static_cast<uint8_t *>(data) + size);
    state::APlugin fresh(&recordingHost);
    ASSERT_EQ(fresh.setChunk(chunk.data(), size, true), size);
    EXPECT_EQ(codes(fresh), codes());
    EXPECT_EQ(fresh.engine().stepCount(), 63);
}

} // namespace
} // namespace frakle::editor::test
