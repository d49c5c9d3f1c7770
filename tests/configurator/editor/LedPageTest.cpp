// The LED page: the colour list with its custom entry through the colour
// picker, the brightness range, and the hidden stepper group's move tool.

#include "volmar/editor/LedPage.h"
#include "volmar/core/ValueLists.h"
#include "volmar/editor/ColourBox.h"

#include "PageTest.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <optional>

namespace volmar::editor::test {
namespace {

using LedTest = PageTest<LedPage>;

TEST_F(LedTest, CustomAsksForAColourAndStoresItAsRgb) {
    auto& box = c<ColourBox>("led_color_init");
    EXPECT_EQ(box.currentText(), "Black");
    EXPECT_EQ(box.accessibleName(), "Default color");
    std::optional<std::uint32_t> answer;
    std::vector<std::uint32_t> asked;
    editor.setColourPicker([&](QWidget*, std::uint32_t current) {
        asked.push_back(current);
        return answer;
    });

    emit box.activated(ledColourIndex(colourValue({255, 0, 0})));
    EXPECT_EQ(state().led_color_init, 0x0000FFu) << "red is the low byte";
    EXPECT_TRUE(asked.empty());

    const int custom = box.count() - 1;
    EXPECT_EQ(box.itemText(custom), "Custom...");
    answer = colourValue({0xA6, 0xCA, 0xF0});
    box.setCurrentIndex(custom);
    emit box.activated(custom);
    EXPECT_EQ(asked, std::vector<std::uint32_t>{0x0000FFu}) << "starts from the colour held";
    EXPECT_EQ(state().led_color_init, 0xF0CAA6u);
    EXPECT_EQ(box.currentText(), "#A6CAF0");
    EXPECT_EQ(box.colour(), 0xF0CAA6u);

    // Cancelled: nothing changes and the list shows the colour held.
    answer.reset();
    const int count = box.count();
    box.setCurrentIndex(count - 1);
    emit box.activated(count - 1);
    EXPECT_EQ(state().led_color_init, 0xF0CAA6u);
    EXPECT_EQ(box.currentText(), "#A6CAF0");
    EXPECT_EQ(box.count(), count) << "one custom entry at most";

    // A configuration read with another custom colour replaces the entry.
    state().led_color_init = 0x123456;
    editor.touch();
    EXPECT_EQ(box.currentText(), "#563412");
    EXPECT_EQ(box.count(), count);
    state().led_color_init = 0xFFFFFF;
    editor.touch();
    EXPECT_EQ(box.currentText(), "White");
}

TEST_F(LedTest, BrightnessAndTheHiddenStepperMove) {
    auto& brightness = c<QSpinBox>("led_digbri");
    EXPECT_EQ(brightness.minimum(), 1);
    EXPECT_EQ(brightness.maximum(), 16);
    EXPECT_FALSE(c<QWidget>("GrpStepper").isVisible());

    QSignalSpy moves(page.get(), &LedPage::stepperMoveRequested);
    auto& steps = c<QSpinBox>("stepper_move");
    EXPECT_EQ(steps.minimum(), -4000);
    EXPECT_EQ(steps.maximum(), 4000);
    steps.setValue(-1);
    c<QPushButton>("btn_stepper_move").click();
    ASSERT_EQ(moves.size(), 1);
    EXPECT_EQ(moves[0][0].toInt(), -1);
}

} // namespace
} // namespace volmar::editor::test
