// The calibration helper window on an editor of its own with raw values the
// test sets: what it opens with, its captions in the window's language, the
// box that ticks all, typed limits, and that saving edits only the three
// calibration fields of the named axes.
#include "volmar/monitor/TACalBox.h"

#include "volmar/core/LanguageTables.h"
#include "volmar/editor/ConfigEditor.h"

#include "GuiTest.h"
#include "QtWait.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace volmar::monitor {
namespace {

using test::control;

class CalBoxTest : public ::testing::Test {
protected:
    CalBoxTest() { test::guiApp(); }

    TACalBox& open(const TRecordLng& lng = englishLanguage()) {
        editor = std::make_unique<editor::ConfigEditor>(lng);
        ConfigState& s = editor->state();
        for (auto& axis : s.axes) {
            axis.name = 0;
        }
        s.axes[0].name = 1; // X
        s.axes[0].acal_min = "50";
        s.axes[0].acal_cen = "500";
        s.axes[0].acal_max = "950";
        s.axes[3].name = 8; // Dial
        s.axes[3].acal_min = "7";
        raw.fill("0");
        box = std::make_unique<TACalBox>(*editor, [this] { return raw; });
        box->show();
        return *box;
    }
    template <typename T>
    T& c(const char* name) {
        return control<T>(*box, name);
    }
    QString text(const char* name) { return c<QLineEdit>(name).text(); }
    // One tracking step with these raw texts.
    void track(const std::string& axis1, const std::string& axis4 = "0") {
        raw[0] = axis1;
        raw[3] = axis4;
        box->FormUpdaterTimer();
    }

    std::unique_ptr<editor::ConfigEditor> editor;
    std::array<std::string, kAxisCount> raw{};
    std::unique_ptr<TACalBox> box;
};

TEST_F(CalBoxTest, OpensWithTheStoredPointsOfNamedAxesAndTracksEvery50Ms) {
    open();
    EXPECT_EQ(box->size(), QSize(522, 294));
    EXPECT_EQ(box->windowTitle(), "Calibrate helper");
    EXPECT_EQ(text("osi_name_01"), "X");
    EXPECT_FALSE(c<QLineEdit>("osi_name_01").isEnabled());
    EXPECT_EQ(text("osi_acal_l_01"), "50");
    EXPECT_EQ(text("osi_acal_c_01"), "500");
    EXPECT_EQ(text("osi_acal_h_01"), "950");
    EXPECT_EQ(text("osi_name_02"), "--");
    EXPECT_EQ(text("osi_acal_l_02"), "");
    EXPECT_EQ(text("osi_acal_h_04"), "0") << "Dial keeps what the configuration holds";
    for (int n = 1; n <= kAxisCount; ++n) {
        const std::string name = "osi_autocal_0" + std::to_string(n);
        EXPECT_FALSE(c<QCheckBox>(name.c_str()).isChecked()) << name;
    }
    auto& timer = c<QTimer>("FormUpdater");
    EXPECT_EQ(timer.interval(), 50);
    EXPECT_TRUE(timer.isActive());
    raw[0] = "321";
    EXPECT_TRUE(test::waitUntil([&] { return text("osi_acal_in_01") == "321"; }, 5000));
}

TEST_F(CalBoxTest, CaptionsComeFromTheWindowsLanguage) {
    for (int language : {1, 2}) {
        const TRecordLng& lng = *languageRecord(language);
        open(lng);
        EXPECT_EQ(box->windowTitle().toStdString(), lng.lbl_acal_helper);
        const std::pair<const char*, const std::string*> captions[] = {
            {"lbl_axis", &lng.lbl_acal_axis},
            {"lbl_axis_crn", &lng.lbl_acal_axis_crn},
            {"lbl_axis_min", &lng.lbl_acal_axis_min},
            {"lbl_axis_cen", &lng.lbl_acal_axis_cen},
            {"lbl_axis_max", &lng.lbl_acal_axis_max}};
        for (const auto& [name, caption] : captions) {
            EXPECT_EQ(c<QLabel>(name).text().toStdString(), *caption) << name;
        }
        EXPECT_EQ(c<QPushButton>("ClrLimits").text().toStdString(), lng.lbl_acal_bclr);
        EXPECT_EQ(c<QPushButton>("SetCentr").text().toStdString(), lng.lbl_acal_bcen);
        EXPECT_EQ(c<QPushButton>("SetAcal").text().toStdString(), lng.lbl_acal_bset);
        // Every control can be told apart by assistive technology.
        for (QWidget* w : box->findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w)) {
                EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
            }
        }
    }
}

// The box above the rows ticks and unticks every row; the rows' own boxes
// decide what is tracked.
TEST_F(CalBoxTest, TheBoxForAllTicksEveryRow) {
    open();
    c<QCheckBox>("osi_autocal_all").click();
    c<QPushButton>("ClrLimits").click();
    EXPECT_EQ(text("osi_acal_l_02"), "-") << "cleared though unnamed";
    track("400", "30");
    EXPECT_EQ(text("osi_acal_l_04"), "30");
    c<QCheckBox>("osi_autocal_all").click();
    for (int n = 1; n <= kAxisCount; ++n) {
        EXPECT_FALSE(box->rows().row(n).ticked) << n;
    }
    track("900", "10");
    EXPECT_EQ(text("osi_acal_h_01"), "400") << "unticked: no longer tracked";
    EXPECT_EQ(text("osi_acal_l_04"), "30");
}

TEST_F(CalBoxTest, SaveWritesTheLimitsOfNamedAxesAsTheyStandAndNothingElse) {
    open();
    const ConfigState before = editor->state();
    c<QCheckBox>("osi_autocal_01").click();
    c<QCheckBox>("osi_autocal_02").click();
    c<QPushButton>("ClrLimits").click();
    track("120");
    auto& centre = c<QLineEdit>("osi_acal_c_04");
    centre.clear();
    QTest::keyClicks(&centre, "12x");
    int refreshes = 0;
    QObject::connect(editor.get(), &editor::ConfigEditor::changed, [&] { ++refreshes; });
    c<QPushButton>("SetAcal").click();
    EXPECT_GT(refreshes, 0) << "the views show the saved points";

    ConfigState expected = before;
    expected.axes[0].acal_min = "120";
    expected.axes[0].acal_cen = "-";
    expected.axes[0].acal_max = "120";
    expected.axes[3].acal_cen = "12x";
    EXPECT_EQ(editor->state().axes, expected.axes) << "axis 2 (unnamed, cleared) is not saved";
    EXPECT_EQ(editor->state().buttons, before.buttons);
    EXPECT_TRUE(box->isVisible());
}

} // namespace
} // namespace volmar::monitor
