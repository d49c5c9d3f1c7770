// The tool buttons of the bottom row (a missing tool does nothing) and the
// about box.
#include "volmar/core/LanguageRecord.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/ProjectPages.h"
#include "volmar/firmware/TAboutBox.h"
#include "volmar/firmware/ToolsRow.h"

#include "GuiTest.h"
#include "TempDir.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace volmar::firmware {
namespace {

namespace fs = std::filesystem;
using test::control;

const char* const kButtons[] = {"BtnDonate",           "Windows_Joysticks", "Inspecta",
                                "DAV_Joystick_Tester", "DAV_Button_Tester", "USBDeview",
                                "btn_devmgmt"};

void clickAll(ToolsRow& row) {
    for (const char* name : kButtons) {
        control<QPushButton>(row, name).click();
    }
}

TEST(ToolsRow, StartsOnlyWhatIsThereAndIgnoresTheRest) {
    test::guiApp();
    test::TempDir program;
    RecordingLauncher launcher;
    ToolsRow row(englishLanguage(), launcher, QString::fromStdString(program.path().string()));
    EXPECT_EQ(control<QPushButton>(row, "BtnDonate").text(), "Donate. Help the project!");
    EXPECT_EQ(control<QPushButton>(row, "btn_devmgmt").text(), "Device management");
    EXPECT_EQ(control<QPushButton>(row, "DAV_Joystick_Tester").text(), "DAV Joystick Tester");

    // No "tools" folder, nothing installed: only the donation page opens.
    clickAll(row);
    EXPECT_TRUE(launcher.detached.empty());
    ASSERT_EQ(launcher.urls.size(), 1u);
    EXPECT_EQ(launcher.urls[0], QUrl(QString::fromLatin1(kDonationPage)));

    // An executable viewer, a tool that is not executable, one that is a
    // folder; the joystick tester installed, the USB viewer not.
    fs::create_directories(program / "tools" / "DAV_JoyTester");
    test::writeFileText(program / "tools" / "Inspecta", "#!/bin/sh\n");
    fs::permissions(program / "tools" / "Inspecta", fs::perms::owner_all);
    test::writeFileText(program / "tools" / "USBDeview", "MZ");
    fs::permissions(program / "tools" / "USBDeview",
                    fs::perms::owner_read | fs::perms::owner_write);
    launcher.install("jstest-gtk", "/usr/bin/jstest-gtk");
    clickAll(row);
    const QString inspecta = QString::fromStdString((program / "tools" / "Inspecta").string());
    EXPECT_EQ(launcher.detached, (std::vector<RecordingLauncher::Start>{
                                     {"/usr/bin/jstest-gtk", {}, {}}, {inspecta, {}, {}}}));
}

TEST(ToolsRow, InstalledTheViewerIsFoundBesideTheProgramWhenNoToolsFolderHasIt) {
    test::guiApp();
    test::TempDir bin;
    RecordingLauncher launcher;
    ToolsRow row(englishLanguage(), launcher, QString::fromStdString(bin.path().string()));
    const auto executable = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        test::writeFileText(file, "#!/bin/sh\n");
        fs::permissions(file, fs::perms::owner_all);
    };
    const QString beside = QString::fromStdString((bin / "Inspecta").string());
    const QString tools = QString::fromStdString((bin / "tools" / "Inspecta").string());
    // Another tool beside the program is not looked for there.
    executable(bin / "Inspecta");
    executable(bin / "USBDeview");
    control<QPushButton>(row, "Inspecta").click();
    control<QPushButton>(row, "USBDeview").click();
    ASSERT_EQ(launcher.detached.size(), 1u);
    EXPECT_EQ(launcher.detached[0].program, beside);

    // The "tools" folder comes first.
    executable(bin / "tools" / "Inspecta");
    control<QPushButton>(row, "Inspecta").click();
    ASSERT_EQ(launcher.detached.size(), 2u);
    EXPECT_EQ(launcher.detached[1].program, tools);
}

TEST(TAboutBox, FixedSizeNoticeCreditsAddressAndOk) {
    test::guiApp();
    RecordingLauncher launcher;
    const QString title = QString::fromStdString(englishLanguage().btn_about);
    TAboutBox box(launcher, title);
    EXPECT_EQ(box.windowTitle(), title);
    EXPECT_EQ(box.size(), QSize(760, 414));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());

    const QStringList notice = control<QLabel>(box, "notice").text().split('\n');
    ASSERT_EQ(notice.size(), 2);
    EXPECT_TRUE(notice[1].contains(QChar(0x0418))) << "the second line is Russian";
    EXPECT_TRUE(control<QLabel>(box, "notice").font().bold());
    for (const char* name : {"creditsRussian", "creditsEnglish"}) {
        auto& credits = control<QPlainTextEdit>(box, name);
        EXPECT_TRUE(credits.toPlainText().startsWith("Volmar2\n")) << name;
        EXPECT_TRUE(credits.isReadOnly()) << name;
        EXPECT_FALSE(credits.isEnabled()) << name;
        EXPECT_FALSE(credits.accessibleName().isEmpty()) << name;
    }

    auto& address = control<QPushButton>(box, "Button1");
    EXPECT_EQ(address.text(), QString::fromLatin1(kProjectPage));
    address.click();
    EXPECT_EQ(launcher.urls, std::vector{QUrl(QString::fromLatin1(kProjectPage))});
    EXPECT_TRUE(control<QPushButton>(box, "OKButton").isDefault());

    // Enter takes "OK"; the window's close button leaves the same way.
    box.show();
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
    box.show();
    box.close();
    EXPECT_EQ(box.result(), QDialog::Rejected);
    EXPECT_FALSE(box.isVisible());
}

} // namespace
} // namespace volmar::firmware
