// Backup names: written and read back, which ones age out, where they live.

#include "CoreTestHelpers.h"
#include "TempDir.h"

#include "volmar/core/Backups.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/LanguageRecord.h"

#include <fstream>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace volmar {
namespace {

BackupName at(int day, int hour, int ms, std::string product = "Volmar2") {
    return {{2025, 1, day, hour, 5, 9, ms}, 0x1209, 0x5AB1, std::move(product)};
}

TEST(BackupNames, CarryTimeIdsAndAProductFitForAFileName) {
    EXPECT_EQ(backupFileName(at(31, 14, 7, "Volmar demo")),
              "2025-01-31_14-05-09-007_1209-5AB1_Volmar_demo.volmar");
    struct Product {
        std::string given;
        std::string kept;
    };
    const Product products[] = {
        {"Pad (v2) [left]-x", "Pad_(v2)_[left]-x"},
        {"../../etc/passwd", "______etc_passwd"},
        {"", "_"},
        {"\xC3\xA9t\xC3\xA9", "__t__"}, // UTF-8 bytes are not kept
        {std::string(60, 'A'), std::string(40, 'A')},
    };
    for (const Product& p : products) {
        const std::string name = backupFileName(at(1, 0, 0, p.given));
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
        const auto parsed = parseBackupFileName(name);
        ASSERT_TRUE(parsed) << name;
        EXPECT_EQ(parsed->product, p.kept);
        EXPECT_EQ(parsed->time, at(1, 0, 0).time);
        EXPECT_EQ(parsed->vid, 0x1209);
        EXPECT_EQ(parsed->pid, 0x5AB1);
    }
    EXPECT_EQ(backupTimeText(at(31, 14, 7).time), "2025-01-31 14:05:09");
}

TEST(BackupNames, OtherFilesAreNotBackups) {
    const std::string good = backupFileName(at(3, 4, 5));
    ASSERT_TRUE(parseBackupFileName(good));
    for (const std::string& other : std::vector<std::string>{
             good + "_HID_txt", good.substr(0, good.size() - 1), std::string("pad.volmar"),
             "2025-01-31_14-05-09-007_1209-5ab1_Pad.volmar", // lower-case hex
             "2025-01-31_14-05-09-007_1209-5AB1_.volmar",    // no product
             "2025-01-31 14-05-09-007_1209-5AB1_Pad.volmar",
             "2025-01-3X_14-05-09-007_1209-5AB1_P.volmar",
             "2025-01-31_14-05-09-007_1209-5AB1_P.q.volmar"}) {
        EXPECT_FALSE(parseBackupFileName(other)) << other;
    }
}

TEST(BackupNames, TheOldestBeyondTheKeptOnesGoFirstWhateverTheOrderGiven) {
    std::vector<std::string> names;
    // 53 backups over two days, listed newest first, with two foreign files.
    for (int i = 52; i >= 0; --i)
        names.push_back(backupFileName(at(1 + i / 24, i % 24, i, i % 2 ? "Pad" : "Stick")));
    names.push_back("notes.txt");
    names.push_back(names[0] + "_HID_txt");
    const std::vector<std::string> removed = backupsToRemove(names);
    ASSERT_EQ(removed.size(), 3u);
    EXPECT_EQ(removed[0], backupFileName(at(1, 0, 0, "Stick")));
    EXPECT_EQ(removed[1], backupFileName(at(1, 1, 1, "Pad")));
    EXPECT_EQ(removed[2], backupFileName(at(1, 2, 2, "Stick")));
    EXPECT_TRUE(
        backupsToRemove(std::vector<std::string>(names.begin(), names.begin() + 50)).empty());
    EXPECT_EQ(backupsToRemove(names, 52).size(), 1u);
}

TEST(BackupNames, FolderFollowsXdgDataHomeElseHome) {
    EXPECT_EQ(backupFolder("/data", "/home/u"), "/data/VolmarSetup/backups");
    EXPECT_EQ(backupFolder(nullptr, "/home/u"), "/home/u/.local/share/VolmarSetup/backups");
    EXPECT_EQ(backupFolder("relative", "/home/u"), "/home/u/.local/share/VolmarSetup/backups");
    EXPECT_EQ(backupFolder(nullptr, nullptr), "");
}

// The restore list: newest first, each with the report line of what it
// holds; other files are left out, a broken backup says why.
TEST(BackupList, NewestFirstWithTheReportLineOfEach) {
    test::TempDir dir;
    ConfigState two = test::startup();
    test::useAxis(two, 0, 2, 1);
    test::useAxis(two, 1, 2, 2);
    const ConfigImage twoAxes = test::encodeOk(two);
    const ConfigImage cleared = test::encodeOk(test::startup());
    const DescriptorLog log(kDescriptorLogLines);
    const std::string older = backupFileName(at(2, 9, 0, "Stick"));
    const std::string newer = backupFileName(at(2, 10, 0, "Pad"));
    const std::string broken = backupFileName(at(1, 8, 0, "Pad"));
    ASSERT_TRUE(writeConfigFiles(dir / older, cleared, log).ok());
    ASSERT_TRUE(writeConfigFiles(dir / newer, twoAxes, log).ok());
    std::ofstream(dir / broken) << "short";
    ASSERT_TRUE(writeConfigFiles(dir / "mine.volmar", twoAxes, log).ok());

    const std::vector<BackupEntry> list = listBackups(dir.path(), englishLanguage());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].file.filename(), newer);
    EXPECT_EQ(list[0].summary, "Ok. Used axis  2, buttons 0.");
    EXPECT_TRUE(list[0].readable);
    EXPECT_EQ(backupLine(list[0]),
              "2025-01-02 10:05:09  1209:5AB1  Pad  Ok. Used axis  2, buttons 0.");
    EXPECT_EQ(list[1].file.filename(), older);
    EXPECT_EQ(list[1].summary, "Ok. Used axis  0, buttons 0.");
    EXPECT_EQ(list[2].file.filename(), broken);
    EXPECT_FALSE(list[2].readable);
    EXPECT_NE(list[2].summary.find(broken), std::string::npos) << list[2].summary;

    EXPECT_TRUE(listBackups(dir / "none", englishLanguage()).empty());
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a block read gave: 672 bytes, the 31 after the configuration being
// whatever the EEPROM holds there.
ConfigImage readFromController(int seed) {
    ConfigState s = test::startup();
    test::useAxis(s, seed % kAxisCount, 2, 1 + seed % 8);
    ConfigImage read = test::encodeOk(s);
    for (std::size_t i = kConfigBytes; i < 672; ++i)
        read[i] = 0xFF;
    return read;
}

// Same-second backups get their own names; the oldest beyond the kept number
// go with their listings; what is kept is the configuration read, as a file.
TEST(KeepBackup, KeepsTheReadAsAFileAndLetsTheOldestGo) {
    test::TempDir dir;
    const auto folder = dir / "data/VolmarSetup/backups";
    const BackupName name{{2025, 4, 1, 12, 0, 0, 998}, 0x8888, 0x8888, "Volmar2"};
    std::vector<std::filesystem::path> kept;
    for (int i = 0; i < 4; ++i) {
        const auto result = keepBackup(folder, name, readFromController(i), englishLanguage(), 3);
        ASSERT_TRUE(result.ok()) << result.error().text;
        EXPECT_EQ(result->note, "");
        kept.push_back(result->file);
    }
    EXPECT_EQ(kept[0].filename(), "2025-04-01_12-00-00-998_8888-8888_Volmar2.volmar");
    EXPECT_EQ(kept[1].filename(), "2025-04-01_12-00-00-999_8888-8888_Volmar2.volmar");
    EXPECT_EQ(kept[2].filename(), "2025-04-01_12-00-01-000_8888-8888_Volmar2.volmar");

    EXPECT_FALSE(std::filesystem::exists(kept[0]));
    EXPECT_FALSE(std::filesystem::exists(descriptorTextPath(kept[0])));
    const std::vector<BackupEntry> list = listBackups(folder, englishLanguage());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].file, kept[3]);
    EXPECT_EQ(list[2].file, kept[1]);

    const std::string bytes = fileText(kept[1]);
    ASSERT_EQ(bytes.size(), kConfigImageSize);
    const ConfigImage read = readFromController(1);
    EXPECT_EQ(bytes.substr(0, kConfigBytes),
              std::string(read.begin(), read.begin() + kConfigBytes));
    EXPECT_EQ(bytes.substr(kConfigBytes), std::string(kConfigImageSize - kConfigBytes, '\0'));
    EXPECT_EQ(fileText(descriptorTextPath(kept[1])).rfind("=BEGIN HID DEBUG FILE=\r\n", 0), 0u);
}

TEST(KeepBackup, AFolderThatCannotBeMadeIsSaid) {
    test::TempDir dir;
    std::ofstream(dir / "file") << "in the way";
    const auto result = keepBackup(dir / "file" / "backups", {{2025, 1, 1, 0, 0, 0, 0}, 1, 2, "P"},
                                   readFromController(0), englishLanguage());
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().text.find("backup folder"), std::string::npos) << result.error().text;
}

} // namespace
} // namespace volmar
