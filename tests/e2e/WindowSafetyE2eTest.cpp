// The window's write against volmar-sim with its safety net: the backup
// before, the read-back after, what the status says, the offer to write
// again when the controller holds something else, and the backup restored.
#include "WindowFixture.h"

#include "volmar/core/Backups.h"
#include "volmar/core/ConfigFile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

namespace volmar::e2e {
namespace {

class WindowSafetyTest : public WindowE2eTest {
protected:
    WindowSafetyTest() { std::filesystem::remove_all(backupFolder()); }
    ~WindowSafetyTest() override { std::filesystem::remove_all(backupFolder()); }

    // A sim holding `stored`, connected in a window.
    void connectTo(const ConfigImage& stored, std::vector<std::string> extra = {}) {
        writeFileBytes(folder / "eeprom.bin", stored);
        std::vector<std::string> args{"--eeprom", path(folder / "eeprom.bin")};
        args.insert(args.end(), extra.begin(), extra.end());
        startSim(args);
        openWindow();
        clickLine("VID:8888 PID:8888 Stored");
    }
    void editName(const char* text) {
        auto& name = c<QLineEdit>("dev_name");
        name.clear();
        QTest::keyClicks(&name, text);
    }
    QString status() { return c<QLabel>("lblWriteStatus").text(); }
    int writeEnds() {
        const auto frames = sim->frames();
        return static_cast<int>(std::count_if(
            frames.begin(), frames.end(), [](const LoggedFrame& f) { return f.command() == 3; }));
    }
};

ConfigImage stored() {
    return knownImage("Stored", "8888", "8888", [](ConfigState& s) {
        s.axes[0].src = 3;
        s.axes[0].name = 1;
    });
}

TEST_F(WindowSafetyTest, AWriteKeepsABackupFirstAndIsVerifiedAfter) {
    const ConfigImage before = stored();
    connectTo(before);
    editName("Written");
    EXPECT_EQ(press("btnWrite_MK"), std::make_pair(Operation::Write, Outcome::Completed));
    EXPECT_EQ(dialogs.messages, QStringList());
    EXPECT_EQ(dialogs.questions, QStringList());
    expectEepromHolds(state(), folder / "eeprom.bin");

    EXPECT_TRUE(status().startsWith("Write verified: the controller holds the 641 bytes sent — "
                                    "Backup kept: "))
        << status().toStdString();
    const auto backups = listBackups(backupFolder(), englishLanguage());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(status().endsWith(QString::fromStdString(backups[0].file.string())));
    const auto kept = readConfigImage(backups[0].file);
    ASSERT_TRUE(kept.ok());
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + kConfigBytes, kept->begin()));

    // The popup went through the backup, the write and the read-back, in order.
    const auto firstOf = [&](const QString& start) {
        for (int i = 0; i < progress.size(); ++i) {
            if (progress[i].startsWith(start)) {
                return i;
            }
        }
        return -1;
    };
    const int backup = firstOf("Backup of the controller's configuration EEPROM[");
    const int write = firstOf("Save sets to device EEPROM[");
    const int readBack = firstOf("Reading the write back EEPROM[");
    EXPECT_TRUE(backup >= 0 && backup < write && write < readBack)
        << progress.join('\n').toStdString();

    // The backup comes back through "Restore previous configuration…".
    dialogs.answerBackup(0);
    c<QToolButton>("btnRestoreBackup").click();
    EXPECT_EQ(c<QLineEdit>("dev_name").text(), "Stored");
    EXPECT_EQ(state().axes[0].src, 3);
}

TEST_F(WindowSafetyTest, AWornCellIsShownAndTheWriteOfferedAgain) {
    connectTo(stored(), {"--corrupt-eeprom-byte", "470"});
    editName("Worn");
    dialogs.answerQuestion(true); // write again, once
    EXPECT_EQ(press("btnWrite_MK"), std::make_pair(Operation::Write, Outcome::Completed));
    ASSERT_TRUE(waitUntil([&] { return dialogs.questions.size() == 2 && !window->link().busy(); }))
        << dialogs.questions.join('\n').toStdString();
    EXPECT_TRUE(dialogs.questions[0].contains("Write differs at address 470"))
        << dialogs.questions[0].toStdString();
    EXPECT_TRUE(dialogs.questions[0].contains("Write the configuration again?"));
    EXPECT_EQ(writeEnds(), 2);
    EXPECT_TRUE(status().startsWith("Write differs at address 470 — Backup kept: "))
        << status().toStdString();
    EXPECT_EQ(listBackups(backupFolder(), englishLanguage()).size(), 2u);
}

} // namespace
} // namespace volmar::e2e
