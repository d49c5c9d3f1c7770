// The window's safety net without a controller: undo and redo by keys and
// buttons over edits, rule repairs and a file load; the wiring warnings'
// count beside the report line and their list.

#include "WindowTestFixture.h"

#include "volmar/app/WiringWindow.h"
#include "volmar/core/Backups.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/editor/ButtonGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace volmar::app {
namespace {

class SafetyWindowTest : public WindowTest {
protected:
    // Shortcuts reach only the active window.
    void openActive() {
        open();
        window->activateWindow();
        EXPECT_TRUE(
            test::waitUntil([&] { return QApplication::activeWindow() == window.get(); }, 5000));
    }
    ConfigImage image() {
        ConfigState copy = state();
        ConfigImage out{};
        DescriptorLog log;
        EXPECT_TRUE(ConfigToReport(copy, out, log).ok());
        return out;
    }
    void key(QWidget& target, Qt::Key k, Qt::KeyboardModifiers modifiers) {
        target.setFocus();
        QTest::keyClick(&target, k, modifiers);
    }
};

TEST_F(SafetyWindowTest, TenEditsUndoneAndRedoneByKeysGiveTheSameImageAtEveryStep) {
    openActive();
    // The start, the first device change's poll interval included, is no step.
    EXPECT_FALSE(c<QToolButton>("btnUndo").isEnabled());
    EXPECT_FALSE(c<QToolButton>("btnRedo").isEnabled());

    ConfigState other = state();
    other.dev_name = "Other pad";
    other.axes[6].src = 3;
    other.axes[6].name = 8;
    const auto otherFile = folder / "other.volmar";
    {
        ConfigImage img{};
        DescriptorLog log;
        ASSERT_TRUE(ConfigToReport(other, img, log).ok());
        ASSERT_TRUE(writeConfigFiles(otherFile, img, log).ok());
    }

    const std::vector<std::function<void()>> edits = {
        [&] { c<QComboBox>("osi_2_src").setCurrentIndex(3); }, // the rules fill the axis
        [&] { c<QComboBox>("osi_2_name").setCurrentIndex(2); },
        [&] { c<QSpinBox>("osi_2_dzl").setValue(4); },
        [&] { QTest::keyClicks(&c<QLineEdit>("dev_name"), "X1"); }, // two keys, one step
        [&] { c<QCheckBox>("led_max7219").click(); },
        [&] {
            dialogs.answerFile(QString::fromStdString(otherFile.string()));
            c<QPushButton>("btnRead_PC").click();
        },
        [&] { c<QComboBox>("hw_bc_3").setCurrentIndex(20); },
        [&] { c<QSpinBox>("osi_4_curve_02").setValue(150); },
        [&] { c<QComboBox>("osi_7_src").setCurrentIndex(0); }, // the rules empty the axis
        [&] { c<QPushButton>("btnClrConfig").click(); },
    };
    std::vector<ConfigImage> images{image()};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i]();
        images.push_back(image());
        ASSERT_NE(images[i + 1], images[i]) << "edit " << i;
        ASSERT_EQ(window->editor().history().undoSteps(), i + 1) << "edit " << i;
    }
    EXPECT_TRUE(c<QToolButton>("btnUndo").isEnabled());

    // Ctrl+Z goes to the configuration even from inside an edit.
    auto& name = c<QLineEdit>("dev_name");
    for (int i = 9; i >= 0; --i) {
        key(i % 2 ? static_cast<QWidget&>(name) : c<QTabWidget>("JvPageControl"), Qt::Key_Z,
            Qt::ControlModifier);
        EXPECT_EQ(image(), images[static_cast<std::size_t>(i)]) << "undo to " << i;
    }
    EXPECT_FALSE(c<QToolButton>("btnUndo").isEnabled());
    EXPECT_EQ(name.text(), "Volmar2");
    for (std::size_t i = 1; i <= 10; ++i) {
        if (i % 3 == 0) {
            c<QToolButton>("btnRedo").click();
        } else {
            key(name, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        }
        EXPECT_EQ(image(), images[i]) << "redo to " << i;
    }
    EXPECT_FALSE(c<QToolButton>("btnRedo").isEnabled());
    EXPECT_EQ(dialogs.messages, QStringList());
}

// A language switch carries the configuration through its image: it is no
// step, and undo afterwards reports in the new language.
TEST_F(SafetyWindowTest, ALanguageSwitchIsNoStep) {
    openActive();
    c<QComboBox>("osi_5_src").setCurrentIndex(2);
    c<QComboBox>("osi_5_name").setCurrentIndex(4);
    const ConfigImage edited = image();
    const std::size_t steps = window->editor().history().undoSteps();
    ASSERT_EQ(steps, 2u);
    const QString english = c<QLineEdit>("chk_report_info").text();

    c<QComboBox>("Translate").setCurrentIndex(1); // Deutsch
    EXPECT_NE(c<QLineEdit>("chk_report_info").text(), english);
    EXPECT_EQ(image(), edited);
    EXPECT_EQ(window->editor().history().undoSteps(), steps);
    EXPECT_FALSE(window->editor().canRedo());

    c<QToolButton>("btnUndo").click();
    EXPECT_EQ(state().axes[4].name, 0);
    EXPECT_EQ(state().chk_report_info, window->editor().lng().cfg_error_3 + " 5")
        << "validation ran again, in the language chosen now";
}

TEST_F(SafetyWindowTest, WarningsSitBesideTheReportLineAndLeadToTheirControl) {
    openActive();
    auto& wiring = c<QToolButton>("btnWiring");
    EXPECT_EQ(wiring.text(), "No wiring warnings");
    const QString report = c<QLineEdit>("chk_report_info").text();

    // The matrix's first row on B5, where the WS2811 output sits.
    c<QComboBox>("hw_br_1").setCurrentIndex(14);
    c<QCheckBox>("led_ws2811").click();
    EXPECT_EQ(wiring.text(), "Wiring warnings: 1");
    EXPECT_EQ(wiring.accessibleName(), wiring.text());
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), report);
    EXPECT_FALSE(state().ConfigHasErrors);
    EXPECT_TRUE(c<QPushButton>("btnWrite_PC").isEnabled());

    key(wiring, Qt::Key_Space, Qt::NoModifier);
    auto* list = window->findChild<QListWidget*>("lstWiringWarnings");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(),
              "Pin B5 is used for matrix row 1 (hw_br_1) and WS2811 LED output (led_ws2811)");
    EXPECT_FALSE(list->accessibleName().isEmpty());

    emit list->itemActivated(list->item(0));
    EXPECT_EQ(c<QTabWidget>("JvPageControl").currentWidget()->objectName(), "TabKNP");
    EXPECT_TRUE(test::waitUntil(
        [&] { return QApplication::focusWidget() == &c<QComboBox>("hw_br_1"); }, 5000));

    // The list follows the configuration; an unreachable button leads to its row.
    c<QComboBox>("hw_br_1").setCurrentIndex(17);
    state().buttons.hw[9] = 77;
    window->editor().touch();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(wiring.text(), "Wiring warnings: 1");
    emit list->itemActivated(list->item(0));
    auto& grid = c<editor::ButtonGrid>("KnpGrid");
    EXPECT_EQ(grid.editState().row, 9);
    EXPECT_TRUE(test::waitUntil([&] { return QApplication::focusWidget() == &grid; }, 5000));
}

// "Restore previous configuration…" lists the kept configurations newest
// first and loads the chosen one as one undoable step.
TEST_F(SafetyWindowTest, RestoreListsTheBackupsAndLoadsTheChosenOne) {
    // The user's backup folder: this binary's private data folder.
    const std::filesystem::path backups = backupFolder();
    std::filesystem::remove_all(backups);
    openActive();
    c<QToolButton>("btnRestoreBackup").click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("backups")) << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.choices.isEmpty());

    std::filesystem::create_directories(backups);
    const auto keep = [&](const BackupName& name, const ConfigState& s) {
        ConfigState copy = s;
        ConfigImage img{};
        DescriptorLog log;
        ASSERT_TRUE(ConfigToReport(copy, img, log).ok());
        ASSERT_TRUE(writeConfigFiles(backups / backupFileName(name), img, log).ok());
    };
    ConfigState pedals = state();
    pedals.dev_name = "Pedals";
    pedals.axes[2].src = 2;
    pedals.axes[2].name = 3;
    keep({{2025, 3, 1, 9, 0, 0, 0}, 0x1209, 0x5AB1, "Pedals"}, pedals);
    keep({{2025, 3, 2, 9, 0, 0, 0}, 0x8888, 0x8888, "Volmar2"}, state());

    const ConfigImage before = image();
    dialogs.answerBackup(1);
    c<QToolButton>("btnRestoreBackup").click();
    ASSERT_EQ(dialogs.choices.size(), 1);
    const QList<BackupRow>& rows = dialogs.choices[0];
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].time, "2025-03-02 09:00:00");
    EXPECT_EQ(rows[1].controller, "1209:5AB1 Pedals");
    EXPECT_EQ(c<QLineEdit>("dev_name").text(), "Pedals");
    // The report line the restored configuration shows, in the window's language.
    EXPECT_EQ(rows[1].summary, c<QLineEdit>("chk_report_info").text());
    EXPECT_NE(rows[0].summary, rows[1].summary);
    EXPECT_EQ(state().axes[2].name, 3);

    c<QToolButton>("btnUndo").click();
    EXPECT_EQ(image(), before);
    // Cancelling changes nothing.
    c<QToolButton>("btnRestoreBackup").click();
    EXPECT_EQ(image(), before);
    EXPECT_EQ(dialogs.messages.size(), 1);
    std::filesystem::remove_all(backups);
}

} // namespace
} // namespace volmar::app
