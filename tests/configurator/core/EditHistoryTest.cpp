// Undo and redo: whole steps (an edit with its rules' repairs, a decoded
// image, "Clear sets"), compared by the image the configuration encodes to.

#include "CoreTestHelpers.h"

#include "volmar/core/EditHistory.h"
#include "volmar/core/Editing.h"
#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace volmar {
namespace {

const TRecordLng& en() {
    return englishLanguage();
}

// What the controller would receive.
ConfigImage imageOf(const ConfigState& s) {
    return test::encodeOk(s);
}

void edit(ConfigState& s, const char* control, const FieldValue& value) {
    ASSERT_TRUE(applyEdit(s, en(), true, control, value).accepted) << control;
}

// A configuration from another controller, for the load step.
ConfigImage foreignImage() {
    ConfigState other = test::startup();
    test::useAxis(other, 5, 3, 6);
    other.dev_name = "Pedals";
    other.buttons.hw[9] = 31;
    return imageOf(other);
}

TEST(EditHistory, TenStepsUndoneAndRedoneGiveTheSameImageAtEveryStep) {
    using Step = std::function<void(ConfigState&)>;
    const std::vector<Step> steps = {
        [](ConfigState& s) { edit(s, "osi_3_src", 2); }, // rules fill in the axis
        [](ConfigState& s) { edit(s, "osi_3_name", 4); },
        [](ConfigState& s) { edit(s, "osi_3_dzc", 3); }, // rules pick "auto.w center"
        [](ConfigState& s) { edit(s, "hw_br_2", 18); },
        [](ConfigState& s) { edit(s, "dev_name", std::string("Throttle quadrant 2")); },
        [](ConfigState& s) { edit(s, "led_ws2811", true); },
        [](ConfigState& s) { ReportToConfig(foreignImage(), s, en(), true); },
        [](ConfigState& s) { edit(s, "osi_2_curve_05", 170); },
        [](ConfigState& s) { edit(s, "osi_6_src", 0); }, // rules empty the loaded axis
        [](ConfigState& s) { btnClrConfigClick(s, en(), true); },
    };
    ConfigState s = test::startup();
    EditHistory history;
    history.reset(s);
    std::vector<ConfigImage> images{imageOf(s)};
    std::vector<ConfigState> states{s};
    for (const Step& step : steps) {
        step(s);
        ASSERT_TRUE(history.record(s));
        images.push_back(imageOf(s));
        states.push_back(s);
        ASSERT_NE(images.back(), images[images.size() - 2]) << "step " << images.size() - 1;
    }
    EXPECT_EQ(history.undoSteps(), 10u);

    for (int i = 9; i >= 0; --i) {
        SCOPED_TRACE("undo to " + std::to_string(i));
        ASSERT_TRUE(history.undo(s));
        EXPECT_EQ(imageOf(s), images[static_cast<std::size_t>(i)]);
        EXPECT_EQ(s, states[static_cast<std::size_t>(i)]);
    }
    EXPECT_FALSE(history.undo(s));
    EXPECT_EQ(s, states[0]);
    for (std::size_t i = 1; i <= 10; ++i) {
        SCOPED_TRACE("redo to " + std::to_string(i));
        ASSERT_TRUE(history.redo(s));
        EXPECT_EQ(imageOf(s), images[i]);
        EXPECT_EQ(s, states[i]);
    }
    EXPECT_FALSE(history.redo(s));
    EXPECT_EQ(history.undoSteps(), 10u);
}

TEST(EditHistory, ChangesTheImageCannotSeeJoinTheCurrentStep) {
    ConfigState s = test::startup();
    EditHistory history;
    history.reset(s);
    edit(s, "osi_1_src", 2);
    edit(s, "dev_poll", 4); // "8"
    ASSERT_TRUE(history.record(s));

    struct Unseen {
        const char* name;
        std::function<void(ConfigState&)> change;
    };
    const Unseen unseen[] = {
        // "-" and "8" store the same poll code.
        {"PollDashIsEight", [](ConfigState& c) { c.dev_poll = 0; }},
        {"ReportLine", [](ConfigState& c) { c.chk_report_info = "something else"; }},
        {"HardwareType", [](ConfigState& c) { c.joy_hardware = 2; }},
        // A language switch carries the configuration through its image.
        {"ThroughTheImage",
         [](ConfigState& c) { ReportToConfig(imageOf(c), c, englishLanguage(), true); }},
    };
    for (const Unseen& u : unseen) {
        SCOPED_TRACE(u.name);
        u.change(s);
        EXPECT_FALSE(history.record(s));
        EXPECT_EQ(history.undoSteps(), 1u);
    }
    // Undo goes back over the whole step, the unseen changes included; the
    // hardware type is the controller's and stays.
    ASSERT_TRUE(history.undo(s));
    EXPECT_EQ(s.axes[0].src, 0);
    EXPECT_EQ(s.joy_hardware, 2);
    ASSERT_TRUE(history.redo(s));
    EXPECT_EQ(s.axes[0].src, 2);
    EXPECT_EQ(s.chk_report_info, englishLanguage().cfg_error_3 + " 1");
}

TEST(EditHistory, TypingIntoOneEditIsOneStepUntilSomethingElseHappens) {
    ConfigState s = test::startup();
    EditHistory history;
    history.reset(s);
    for (const char* text : {"P", "Pe", "Ped", "Peda", "Pedal"}) {
        edit(s, "dev_name", std::string(text));
        history.record(s, "dev_name");
    }
    EXPECT_EQ(history.undoSteps(), 1u);
    edit(s, "led_max7219", true);
    history.record(s);
    edit(s, "dev_name", std::string("Pedals"));
    history.record(s, "dev_name");
    EXPECT_EQ(history.undoSteps(), 3u);

    ASSERT_TRUE(history.undo(s));
    EXPECT_EQ(s.dev_name, "Pedal");
    // After an undo the same edit starts a new step.
    edit(s, "dev_name", std::string("Pedal2"));
    EXPECT_TRUE(history.record(s, "dev_name"));
    EXPECT_FALSE(history.canRedo());
    ASSERT_TRUE(history.undo(s));
    ASSERT_TRUE(history.undo(s));
    ASSERT_TRUE(history.undo(s));
    EXPECT_EQ(s.dev_name, test::startup().dev_name);
}

TEST(EditHistory, AbsorbedChangesAndDepth) {
    ConfigState s = test::startup();
    EditHistory history(3);
    history.reset(s);
    for (int pin = 1; pin <= 5; ++pin) {
        edit(s, "hw_bc_1", pin);
        history.record(s);
    }
    EXPECT_EQ(history.undoSteps(), 3u);
    // The program's own change joins the step and survives its redo.
    edit(s, "dev_poll", 1);
    history.absorb(s);
    EXPECT_EQ(history.undoSteps(), 3u);
    while (history.undo(s)) {
    }
    EXPECT_EQ(s.hw_bc[0], 2);
    while (history.redo(s)) {
    }
    EXPECT_EQ(s.hw_bc[0], 5);
    EXPECT_EQ(s.dev_poll, 1);
}

// An empty step of change stops the encoder; such states are told apart
// by their fields, the report line aside.
TEST(EditHistory, StatesTheEncoderRefusesAreComparedByTheirFields) {
    ConfigState s = test::startup();
    edit(s, "osi_1_src", 1);
    EditHistory history;
    history.reset(s);
    const ConfigState before = s;
    edit(s, "osi_1_ms_step", std::string());
    EXPECT_TRUE(history.record(s, "osi_1_ms_step"));
    s.chk_report_info = "changed by a validation";
    EXPECT_FALSE(history.record(s));
    edit(s, "osi_1_ms_btn_u", 7);
    EXPECT_TRUE(history.record(s));
    EXPECT_EQ(history.undoSteps(), 2u);
    ASSERT_TRUE(history.undo(s));
    EXPECT_EQ(s.axes[0].ms_btn_u, 0);
    EXPECT_EQ(s.axes[0].ms_step, "");
    ASSERT_TRUE(history.undo(s));
    EXPECT_EQ(s, before);
}

} // namespace
} // namespace volmar
