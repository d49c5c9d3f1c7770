// The main window on fake devices: which windows open at the first and at
// later starts, what is stored when it closes, the settings dialog, closing
// windows by hand, re-enumeration, tiling and the menus of each window kind.
#include "CAxisView.h"
#include "CBufferedInputView.h"
#include "CDeviceSettingsDlg.h"
#include "GuiSupport.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace volmar::viewer::test {
namespace {

using Titles = std::vector<std::string>;

const Titles kFirstRun = {"Stick - X Axis [X]", "Stick - Y Axis [Y]", "Stick - Hat Switch [POV]",
                          "Stick - Buffered", "Keys - Buffered"};

class MainFrameTest : public ::testing::Test {
protected:
    FakeBackend backend;
    Viewer viewer{backend};

    void SetUp() override {
        backend.addStick("Stick");
        backend.addMouse("Mouse");
        backend.addKeyboard("Keys");
    }

    // The tree item of a device's child in the settings dialog.
    static QTreeWidgetItem* item(QDialog& dialog, const char* device, const char* child) {
        QTreeWidget* tree = dialog.findChild<QTreeWidget*>("tree1000");
        for (int d = 0; d < tree->topLevelItemCount(); ++d) {
            QTreeWidgetItem* top = tree->topLevelItem(d);
            if (top->text(0) != device) {
                continue;
            }
            if (child == nullptr) {
                return top;
            }
            for (int c = 0; c < top->childCount(); ++c) {
                if (top->child(c)->text(0) == child) {
                    return top->child(c);
                }
            }
        }
        ADD_FAILURE() << "no item " << device << "/" << (child ? child : "");
        return nullptr;
    }

    std::vector<std::string> menuTitles() const {
        std::vector<std::string> out;
        for (QAction* a : viewer.frame().menuBar()->actions()) {
            out.push_back(a->text().toStdString());
        }
        return out;
    }
};

TEST_F(MainFrameTest, FirstRunOpensEveryAxisAndPovAndBothBufferedWindowsButNothingForMice) {
    viewer.start();
    EXPECT_EQ(viewer.titles(), kFirstRun);
    EXPECT_TRUE(viewer.frame().timersRunning());
    EXPECT_EQ(viewer.device("Mouse").watched.load(), 0u);
    viewer.close();
    EXPECT_EQ(viewer.stored("Settings/Executed"), 1);
    // One value per object of every device, the mouse's as 0.
    QSettings ini(viewer.settingsPath, QSettings::IniFormat);
    EXPECT_EQ(ini.allKeys().size(), 1 + 7 + 5 + 3);
    EXPECT_EQ(viewer.stored("Stick/Button 4"), 1);
    EXPECT_EQ(viewer.stored("Mouse/Left"), 0);
    EXPECT_EQ(viewer.stored("Keys/Esc"), 1);
}

TEST_F(MainFrameTest, ClassesWithoutAWatchedDeviceAreNotEnumeratedAgain) {
    viewer.start();
    input::CDeviceManager& manager = viewer.frame().deviceManager();
    EXPECT_EQ(manager.pointerClass(), 0u);
    EXPECT_EQ(manager.keyboardClass(), 1u);
    // A window closed by hand comes back after re-enumeration: every device
    // of a watched class is found again with all its objects watched.
    viewer.window("Stick - Y Axis [Y]")->close();
    viewer.frame().commands().action(Command::Reenumerate)->trigger();
    EXPECT_EQ(viewer.titles(), kFirstRun);
    EXPECT_EQ(viewer.devices().size(), 2u); // the mouse is not looked for
}

TEST_F(MainFrameTest, ClosingAnAxisWindowUnwatchesItAndTheChoiceIsStored) {
    viewer.start();
    viewer.window("Stick - X Axis [X]")->close();
    EXPECT_EQ(viewer.object("Stick", "X Axis").watched, 0u);
    EXPECT_EQ(viewer.window("Stick - X Axis [X]"), nullptr);
    viewer.frame().refreshWindowSet();
    EXPECT_EQ(viewer.window("Stick - X Axis [X]"), nullptr);
    viewer.close();
    EXPECT_EQ(viewer.stored("Stick/X Axis"), 0);
    EXPECT_EQ(viewer.stored("Stick/Y Axis"), 1);

    // The next start is no first run: the closed axis stays closed.
    viewer.start();
    EXPECT_EQ(viewer.titles(), (Titles{"Stick - Y Axis [Y]", "Stick - Hat Switch [POV]",
                                       "Stick - Buffered", "Keys - Buffered"}));
}

TEST_F(MainFrameTest, AClosedBufferedWindowReopensAtTheNextRefresh) {
    viewer.start();
    viewer.window("Keys - Buffered")->close();
    EXPECT_EQ(viewer.window("Keys - Buffered"), nullptr);
    EXPECT_EQ(viewer.object("Keys", "A").watched, 1u); // its buttons stay watched
    // Closing an axis window refreshes the window set.
    viewer.window("Stick - Hat Switch [POV]")->close();
    EXPECT_NE(viewer.window("Keys - Buffered"), nullptr);
}

TEST_F(MainFrameTest, UncheckingBufferedClosesTheWindowAndUnwatchesEveryButton) {
    viewer.start();
    viewer.prompts.dialogAnswers.push_back([](QDialog& dialog) {
        QTreeWidgetItem* buffered = item(dialog, "Stick", "Buffered");
        QTreeWidget* tree = dialog.findChild<QTreeWidget*>("tree1000");
        // By keyboard: the item made current and its box toggled with Space.
        tree->setFocus();
        tree->setCurrentItem(buffered);
        QTest::keyClick(tree, Qt::Key_Space);
        EXPECT_EQ(buffered->checkState(0), Qt::Unchecked);
        click(dialog, "ok");
    });
    viewer.frame().commands().action(Command::Settings)->trigger();
    EXPECT_EQ(viewer.prompts.dialogsRun, 1);
    EXPECT_EQ(viewer.window("Stick - Buffered"), nullptr);
    for (int b = 1; b <= 4; ++b) {
        EXPECT_EQ(viewer.object("Stick", "Button " + std::to_string(b)).watched, 0u);
    }
    EXPECT_NE(viewer.window("Keys - Buffered"), nullptr);
    EXPECT_NE(viewer.window("Stick - X Axis [X]"), nullptr);
}

TEST_F(MainFrameTest, CheckingOneAxisUnderAnUncheckedDeviceChecksTheDevice) {
    viewer.start();
    viewer.prompts.dialogAnswers.push_back([](QDialog& dialog) {
        QTreeWidgetItem* stick = item(dialog, "Stick", nullptr);
        stick->setCheckState(0, Qt::Unchecked);
        for (int c = 0; c < stick->childCount(); ++c) {
            EXPECT_EQ(stick->child(c)->checkState(0), Qt::Unchecked);
        }
        item(dialog, "Mouse", "Y Axis")->setCheckState(0, Qt::Checked);
        EXPECT_EQ(item(dialog, "Mouse", nullptr)->checkState(0), Qt::Checked);
        EXPECT_EQ(item(dialog, "Mouse", "X Axis")->checkState(0), Qt::Unchecked);
        click(dialog, "ok");
    });
    viewer.frame().editDeviceSettings();
    EXPECT_EQ(viewer.titles(), (Titles{"Keys - Buffered", "Mouse - Y Axis [Y]"}));
    EXPECT_EQ(viewer.device("Stick").watched.load(), 0u);
    EXPECT_EQ(viewer.frame().deviceManager().pointerClass(), 1u);
    EXPECT_EQ(viewer.frame().deviceManager().gameControllerClass(), 0u);

    // Cancel changes nothing.
    viewer.prompts.dialogAnswers.push_back([](QDialog& dialog) {
        item(dialog, "Keys", nullptr)->setCheckState(0, Qt::Unchecked);
        click(dialog, "cancel");
    });
    viewer.frame().editDeviceSettings();
    EXPECT_EQ(viewer.device("Keys").watched.load(), 1u);
    EXPECT_EQ(viewer.titles(), (Titles{"Keys - Buffered", "Mouse - Y Axis [Y]"}));
}

TEST_F(MainFrameTest, WithAutoTileOffResizingLeavesTheWindowsButRefreshStillTiles) {
    viewer.start();
    CMainFrame& frame = viewer.frame();
    frame.resize(900, 700);
    QMdiSubWindow* x = viewer.window("Stick - X Axis [X]");
    const auto halfWidth = [&] { return frame.mdiArea()->viewport()->width() / 2; };
    ASSERT_TRUE(waitUntil([&] { return x->width() == halfWidth() && halfWidth() > 400; }, 5000))
        << x->width() << " " << halfWidth() << " " << frame.width();
    frame.commands().action(Command::AutoTile)->trigger();
    EXPECT_FALSE(frame.autoTile());
    EXPECT_FALSE(frame.commands().action(Command::AutoTile)->isChecked());
    const QRect before = x->geometry();
    frame.resize(1200, 800);
    ASSERT_TRUE(waitUntil([&] { return halfWidth() > 550; }, 5000));
    EXPECT_EQ(x->geometry(), before);
    frame.refreshWindowSet();
    EXPECT_EQ(x->width(), halfWidth());
}

TEST_F(MainFrameTest, MenusAndKeysComeWithTheActiveWindow) {
    viewer.start();
    CMainFrame& frame = viewer.frame();
    Commands& c = frame.commands();
    frame.mdiArea()->setActiveSubWindow(viewer.window("Stick - X Axis [X]"));
    EXPECT_EQ(menuTitles(),
              (std::vector<std::string>{"&Edit", "Axis", "&View", "&Window", "&Help"}));
    EXPECT_EQ(c.action(Command::Reenumerate)->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(c.action(Command::Capture)->shortcut().isEmpty());
    EXPECT_FALSE(c.action(Command::SaveToFile)->isEnabled());
    EXPECT_EQ(frame.windowTitle(), "Inspecta - Stick - X Axis [X]");

    frame.mdiArea()->setActiveSubWindow(viewer.window("Keys - Buffered"));
    EXPECT_EQ(menuTitles(),
              (std::vector<std::string>{"&Edit", "&View", "Capture", "&Window", "&Help"}));
    EXPECT_EQ(c.action(Command::Capture)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(c.action(Command::Capture)->text(), "Stop\tCtrl+E");
    // A keyboard has no axes and no POVs.
    EXPECT_FALSE(c.action(Command::Axes)->isEnabled());
    EXPECT_FALSE(c.action(Command::Axes)->isChecked());
    EXPECT_FALSE(c.action(Command::POVs)->isEnabled());
    EXPECT_TRUE(c.action(Command::Buttons)->isChecked());
    c.action(Command::Capture)->trigger();
    EXPECT_EQ(c.action(Command::Capture)->text(), "Start\tCtrl+E");
}

TEST_F(MainFrameTest, WithoutAnInputApiTheWindowRunsEmpty) {
    Viewer empty(backend);
    empty.app = std::make_unique<CViewerApp>(
        empty.prompts, [] { return std::unique_ptr<input::InputApi>(); }, empty.settingsPath);
    ASSERT_TRUE(empty.app->initInstance());
    EXPECT_FALSE(empty.frame().timersRunning());
    EXPECT_TRUE(empty.titles().empty());
    // No window: the main menu alone, and no keys.
    std::vector<std::string> menus;
    for (QAction* a : empty.frame().menuBar()->actions()) {
        menus.push_back(a->text().toStdString());
    }
    EXPECT_EQ(menus, (std::vector<std::string>{"&Edit", "&Help"}));
    EXPECT_TRUE(empty.frame().commands().action(Command::Reenumerate)->shortcut().isEmpty());
    empty.close();
}

TEST_F(MainFrameTest, SettingsLiveUnderTheUsersConfigFolder) {
    EXPECT_EQ(IniWatchStore::defaultPath(),
              QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/Inspecta/Inspecta.ini");
    viewer.start();
    viewer.prompts.dialogAnswers.push_back([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "About Inspecta");
        EXPECT_EQ(dialog.findChild<QLabel*>("version")->text(), "Inspecta v4.65.116");
        click(dialog, "ok");
    });
    viewer.frame().commands().action(Command::About)->trigger();
    EXPECT_EQ(viewer.prompts.dialogsRun, 1);
}

} // namespace
} // namespace volmar::viewer::test
