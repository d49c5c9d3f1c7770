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

TEST(ConfigFile, SaveThenLoadReproducesTheConfiguration) {
    TempDir dir;
    const fs::path file = dir / "pad.volmar";
    ConfigState saved = sample();
    const SaveOutcome save = saveConfigFile(file, saved, englishLanguage(), false);
    ASSERT_TRUE(save.ok()) << save.error;
    EXPECT_FALSE(save.reportBox.has_value());

    // The file is the image byte for byte, with nothing around it.
    const std::string bytes = test::readFileText(file);
    ASSERT_EQ(bytes.size(), kConfigImageSize);
    EXPECT_EQ(std::memcmp(bytes.data(), save.image.data(), kConfigImageSize), 0);

    ConfigState loaded = startupState(englishLanguage());
    const LoadOutcome load = loadConfigFile(file, loaded, englishLanguage(), false);
    ASSERT_TRUE(load.ok()) << load.error;
    EXPECT_EQ(load.image, save.image);
    EXPECT_EQ(loaded, saved);
}

TEST(ConfigFile, CompanionListingHasAThousandCrLfLines) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    ConfigState state = sample();
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    ASSERT_TRUE(save.ok()) << save.error;
    EXPECT_EQ(descriptorTextPath(file), dir / "a.volmar_HID_txt");
    const std::string text = test::readFileText(dir / "a.volmar_HID_txt");

    std::size_t lines = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "unterminated line " << lines + 1;
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line " << lines + 1;
        EXPECT_EQ(line, save.log[lines]) << "line " << lines + 1;
        start = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, kDescriptorLogLines);
    EXPECT_EQ(text.rfind("=BEGIN HID DEBUG FILE=\r\n", 0), 0u);
}

TEST(ConfigFile, LoadingALongerFileDecodesItsFirst1024Bytes) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    ConfigState state = sample();
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    ASSERT_TRUE(save.ok()) << save.error;
    test::writeFileText(dir / "long.volmar", test::readFileText(file) + std::string(1024, '\xFF'));

    ConfigState loaded = startupState(englishLanguage());
    const LoadOutcome load = loadConfigFile(dir / "long.volmar", loaded, englishLanguage(), false);
    ASSERT_TRUE(load.ok()) << load.error;
    EXPECT_EQ(load.image, save.image);
    EXPECT_EQ(loaded, state);
}

class UnreadableFile : public ::testing::TestWithParam<int> {};

// A short file (or none) is an error naming the file; nothing is decoded.
TEST_P(UnreadableFile, LeavesTheStateAsItWas) {
    TempDir dir;
    const fs::path file = dir / "short.volmar";
    const int size = GetParam();
    if (size >= 0) {
        test::writeFileText(file, std::string(static_cast<std::size_t>(size), '\x01'));
    }
    ConfigState state = sample();
    const ConfigState before = state;
    const LoadOutcome load = loadConfigFile(file, state, englishLanguage(), false);
    EXPECT_FALSE(load.ok());
    EXPECT_NE(load.error.find(file.string()), std::string::npos) << load.error;
    const std::string reason = size < 0 ? std::strerror(ENOENT) : std::strerror(EIO);
    EXPECT_NE(load.error.find("[" + reason), std::string::npos) << load.error;
    EXPECT_EQ(state, before);
}

INSTANTIATE_TEST_SUITE_P(Sizes, UnreadableFile, ::testing::Values(-1, 0, 100, 1023),
                         [](const auto& info) {
                             return info.param < 0 ? std::string("missing")
                                                   : "bytes" + std::to_string(info.param);
                         });

TEST(ConfigFile, LoadingAFolderFails) {
    TempDir dir;
    ConfigState state = sample();
    const ConfigState before = state;
    const LoadOutcome load = loadConfigFile(dir.path(), state, englishLanguage(), false);
    EXPECT_FALSE(load.ok());
    EXPECT_NE(load.error.find(std::strerror(EISDIR)), std::string::npos) << load.error;
    EXPECT_EQ(state, before);
}

TEST(ConfigFile, ConversionErrorWritesNothing) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    ConfigState state = sample();
    state.dev_pid = "12";
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    EXPECT_EQ(save.error, "'12' is not a valid integer value");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(descriptorTextPath(file)));
}

TEST(ConfigFile, InvalidConfigurationIsSavedAfterItsReportLine) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    ConfigState state = sample();
    state.axes[3].src = 2; // a source without an assignment
    state.axes[3].name = 0;
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    ASSERT_TRUE(save.ok()) << save.error;
    ASSERT_TRUE(save.reportBox.has_value());
    EXPECT_EQ(*save.reportBox, englishLanguage().cfg_error_3 + " 4");
    EXPECT_EQ(fs::file_size(file), kConfigImageSize);
}

TEST(ConfigFile, OverwritingKeepsPermissionsAndLeavesNoTemporaries) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    test::writeFileText(file, "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                    fs::perm_options::replace);
    ConfigState state = sample();
    ASSERT_TRUE(saveConfigFile(file, state, englishLanguage(), false).ok());
    EXPECT_EQ(fs::file_size(file), kConfigImageSize);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2u); // the image and its listing
}

TEST(ConfigFile, SavingThroughASymlinkReplacesItsTarget) {
    TempDir dir;
    const fs::path real = dir / "real.volmar";
    test::writeFileText(real, "old");
    fs::create_symlink(real, dir / "link.volmar");
    ConfigState state = sample();
    ASSERT_TRUE(saveConfigFile(dir / "link.volmar", state, englishLanguage(), false).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "link.volmar"));
    EXPECT_EQ(fs::file_size(real), kConfigImageSize);
}

// A save that fails half-way (here: the file size limit, which holds for
// root too) says why and leaves the old file whole, with no temporary behind.
TEST(ConfigFile, FailedSaveKeepsTheExistingFile) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    test::writeFileText(file, "previous good file");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ConfigState state = sample();
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(save.ok());
    EXPECT_NE(save.error.find(file.string()), std::string::npos) << save.error;
    EXPECT_NE(save.error.find(std::strerror(EFBIG)), std::string::npos) << save.error;
    EXPECT_EQ(test::readFileText(file), "previous good file");
    EXPECT_FALSE(fs::exists(descriptorTextPath(file)));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST(ConfigFile, SavingIntoAMissingFolderNamesTheFile) {
    TempDir dir;
    const fs::path file = dir / "missing" / "a.volmar";
    ConfigState state = sample();
    const SaveOutcome save = saveConfigFile(file, state, englishLanguage(), false);
    EXPECT_NE(save.error.find(file.string()), std::string::npos) << save.error;
    EXPECT_NE(save.error.find(std::strerror(ENOENT)), std::string::npos) << save.error;
}

TEST(ConfigFile, ListingThatCannotBeWrittenIsReported) {
    TempDir dir;
    const fs::path file = dir / "a.volmar";
    fs::create_directory(descriptorTextPath(file)); // a folder in the listing's place
    const std::string error = writeConfigFiles(file, ConfigImage{}, DescriptorLog{});
    EXPECT_NE(error.find(descriptorTextPath(file).string()), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EISDIR)), std::string::npos) << error;
}

} // namespace
} // namespace volmar
