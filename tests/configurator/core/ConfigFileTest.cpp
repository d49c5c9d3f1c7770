// Saving and loading configuration files.

#include "volmar/core/ConfigFile.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace volmar {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A configuration with something in every region.
ConfigState sample() {
    ConfigState s = startupState(englishLanguage());
    s.axes[0].src = 2;
    s.axes[0].name = 1;
    s.axes[0].prcsn = 2;
    s.axes[0].acal_max = "4000";
    s.axes[1].src = 1; // virtual
    s.axes[1].name = 2;
    s.axes[1].ms_btn_u = 3;
    s.axes[1].ms_btn_d = 4;
    s.axes[1].ms_step = "20";
    s.curves[2].points[4] = 150;
    s.curves[2].symmetrical = true;
    s.buttons.hw[1] = 1;
    s.buttons.hw[5] = 12;
    s.buttons.mode[5] = 2;
    s.buttons.hw[132] = 128;
    s.btn_shift[0] = 7;
    s.enc[2] = {20, 21};
    s.sr[1] = {1, 5, 6, 4};
    s.led_color_init = 0x00FF00;
    s.dev_vid = "1A2B";
    s.dev_pid = "3C4D";
    s.dev_name = "Pad (test)";
    s.btn_timer_mode = {1, 2, 2}; // the image's one bit cannot hold "--"
    osi_Change(s, englishLanguage(), false);
    return s;
}

class ConfigFile : public ::testing::Test {
protected:
    TempDir dir;
    const fs::path file = dir / "a.volmar";
};

SaveOutcome saveSample(const fs::path& file) {
    ConfigState state = sample();
    return saveConfigFile(file, state, englishLanguage(), false);
}

std::size_t entriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// The file is the image byte for byte; the companion listing holds the
// 1000 listing lines, each ended by CR LF; loading reads the first 1024
// bytes of a longer file.
TEST_F(ConfigFile, SaveWritesImageAndListingAndLoadingReproducesThem) {
    ConfigState saved = sample();
    const SaveOutcome save = saveConfigFile(file, saved, englishLanguage(), false);
    ASSERT_TRUE(save.ok()) << save.error;
    EXPECT_FALSE(save.reportBox.has_value());
    const std::string bytes = test::readFileText(file);
    ASSERT_EQ(bytes.size(), kConfigImageSize);
    EXPECT_EQ(std::memcmp(bytes.data(), save.image.data(), kConfigImageSize), 0);

    EXPECT_EQ(descriptorTextPath(file), dir / "a.volmar_HID_txt");
    const std::string text = test::readFileText(dir / "a.volmar_HID_txt");
    std::size_t lines = 0;
    for (std::size_t start = 0; start < text.size(); ++lines) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "unterminated line " << lines + 1;
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line " << lines + 1;
        EXPECT_EQ(line, save.log[lines]) << "line " << lines + 1;
        start = end + 2;
    }
    EXPECT_EQ(lines, kDescriptorLogLines);
    EXPECT_EQ(text.rfind("=BEGIN HID DEBUG FILE=\r\n", 0), 0u);

    test::writeFileText(dir / "long.volmar", bytes + std::string(1024, '\xFF'));
    for (const char* name : {"a.volmar", "long.volmar"}) {
        ConfigState loaded = startupState(englishLanguage());
        const LoadOutcome load = loadConfigFile(dir / name, loaded, englishLanguage(), false);
        ASSERT_TRUE(load.ok()) << name << ": " << load.error;
        EXPECT_EQ(load.image, save.image) << name;
        EXPECT_EQ(loaded, saved) << name;
    }
}

// A short file, none or a folder is an error naming the file and saying why;
// nothing is decoded.
TEST_F(ConfigFile, UnreadableFileLeavesTheStateAsItWas) {
    struct Row {
        const char* label;
        int size; // -1: no file, -2: the folder itself
        int error;
    };
    for (const Row& row : {Row{"missing", -1, ENOENT}, Row{"empty", 0, EIO}, Row{"100", 100, EIO},
                           Row{"1023", 1023, EIO}, Row{"folder", -2, EISDIR}}) {
        SCOPED_TRACE(row.label);
        const fs::path target = row.size == -2 ? dir.path() : dir / row.label;
        if (row.size >= 0)
            test::writeFileText(target, std::string(static_cast<std::size_t>(row.size), '\x01'));
        ConfigState state = sample();
        const ConfigState before = state;
        const LoadOutcome load = loadConfigFile(target, state, englishLanguage(), false);
        EXPECT_FALSE(load.ok());
        EXPECT_NE(load.error.find(target.string()), std::string::npos) << load.error;
        EXPECT_NE(load.error.find(std::string("[") + std::strerror(row.error)), std::string::npos)
            << load.error;
        EXPECT_EQ(state, before);
    }
}

TEST_F(ConfigFile, ConversionErrorWritesNothing) {
    ConfigState state = sample();
    state.dev_pid = "12";
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    EXPECT_EQ(save.error, "'12' is not a valid integer value");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(descriptorTextPath(file)));
}

TEST_F(ConfigFile, InvalidConfigurationIsSavedAfterItsReportLine) {
    ConfigState state = sample();
    state.axes[3].src = 2; // a source without an assignment
    state.axes[3].name = 0;
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    ASSERT_TRUE(save.ok()) << save.error;
    ASSERT_TRUE(save.reportBox.has_value());
    EXPECT_EQ(*save.reportBox, englishLanguage().cfg_error_3 + " 4");
    EXPECT_EQ(fs::file_size(file), kConfigImageSize);
}

TEST_F(ConfigFile, OverwritingKeepsPermissionsAndLeavesNoTemporaries) {
    test::writeFileText(file, "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                    fs::perm_options::replace);
    ASSERT_TRUE(saveSample(file).ok());
    EXPECT_EQ(fs::file_size(file), kConfigImageSize);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entriesIn(dir.path()), 2u); // the image and its listing
}

TEST_F(ConfigFile, SavingThroughASymlinkReplacesItsTarget) {
    const fs::path real = dir / "real.volmar";
    test::writeFileText(real, "old");
    fs::create_symlink(real, dir / "link.volmar");
    ASSERT_TRUE(saveSample(dir / "link.volmar").ok());
    EXPECT_TRUE(fs::is_symlink(dir / "link.volmar"));
    EXPECT_EQ(fs::file_size(real), kConfigImageSize);
}

// A save that fails half-way (here: the file size limit, which holds for
// root too) says why and leaves the old file whole, with no temporary behind.
TEST_F(ConfigFile, FailedSaveKeepsTheExistingFile) {
    test::writeFileText(file, "previous good file");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveOutcome save = saveSample(file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(save.ok());
    EXPECT_NE(save.error.find(file.string()), std::string::npos) << save.error;
    EXPECT_NE(save.error.find(std::strerror(EFBIG)), std::string::npos) << save.error;
    EXPECT_EQ(test::readFileText(file), "previous good file");
    EXPECT_FALSE(fs::exists(descriptorTextPath(file)));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST_F(ConfigFile, SavingIntoAMissingFolderNamesTheFile) {
    const fs::path missing = dir / "missing" / "a.volmar";
    const SaveOutcome save = saveSample(missing);
    EXPECT_NE(save.error.find(missing.string()), std::string::npos) << save.error;
    EXPECT_NE(save.error.find(std::strerror(ENOENT)), std::string::npos) << save.error;
}

// The listing that cannot be written stops the save before the image is
// replaced: the old image stays.
TEST_F(ConfigFile, ListingThatCannotBeWrittenKeepsTheOldImage) {
    test::writeFileText(file, "previous good file");
    fs::create_directory(descriptorTextPath(file)); // a folder in the listing's place
    const Status written = writeConfigFiles(file, ConfigImage{}, DescriptorLog{});
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().text, "Error write file \"" + descriptorTextPath(file).string() +
                                        "\" [not a regular file (a folder)]");
    EXPECT_EQ(test::readFileText(file), "previous good file");
    EXPECT_EQ(entriesIn(dir.path()), 2u) << "no temporary left behind";
}

} // namespace
} // namespace volmar
