// Safe file output against every kind of target a user can name, and the
// promise that a save either replaces all of its files or none.
#include "volmar/sysio/FileOutput.h"

#include "ResultAssert.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace volmar::sysio {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const Bytes kNew = {'n', 'e', 'w'};
const Bytes kOld = {'o', 'l', 'd', '!', '!'};

Status save(const fs::path& file, const Bytes& bytes = kNew) {
    const OutputFile files[] = {{file, bytes}};
    return writeFiles(files);
}

struct stat statOf(const fs::path& p, bool followLinks = true) {
    struct stat st {};
    EXPECT_EQ(followLinks ? ::stat(p.c_str(), &st) : ::lstat(p.c_str(), &st), 0) << p;
    return st;
}

// No ".name.XXXXXX" left behind in the folder.
bool noTemporaries(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".")) {
            return false;
        }
    }
    return true;
}

class FileOutput : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path at(const std::string& name) const { return dir / name; }
};

TEST_F(FileOutput, ARegularFileIsReplacedKeepingItsPermissions) {
    test::writeFileBytes(at("a"), kOld);
    ::chmod(at("a").c_str(), 0640);
    ASSERT_TRUE(test::isOk(save(at("a"))));
    EXPECT_EQ(test::readFileBytes(at("a")), kNew) << "the longer old content must not show";
    EXPECT_EQ(statOf(at("a")).st_mode & 07777, 0640u);
    ASSERT_TRUE(test::isOk(save(at("fresh"))));
    EXPECT_EQ(test::readFileBytes(at("fresh")), kNew);
    EXPECT_TRUE(noTemporaries(dir.path()));
}

TEST_F(FileOutput, ALinkIsFollowedAndStaysALink) {
    fs::create_directory(at("real"));
    test::writeFileBytes(at("real") / "target", kOld);
    fs::create_symlink("real/target", at("link"));
    ASSERT_TRUE(test::isOk(save(at("link"))));
    EXPECT_TRUE(fs::is_symlink(at("link")));
    EXPECT_EQ(test::readFileBytes(at("real") / "target"), kNew);
    EXPECT_TRUE(noTemporaries(dir.path()));
    EXPECT_TRUE(noTemporaries(at("real")));
}

// Each kind of target that must be refused is tried through volmarctl, with
// its exit code (tests/configurator/cli/ConventionsTest.cpp); here what only
// the function shows: links kept whole, nothing left behind, all or nothing.

TEST_F(FileOutput, AFileWithOtherHardLinksIsRewrittenInPlace) {
    test::writeFileBytes(at("a"), kOld);
    fs::create_hard_link(at("a"), at("b"));
    const ino_t inode = statOf(at("a")).st_ino;
    ASSERT_TRUE(test::isOk(save(at("a"))));
    EXPECT_EQ(statOf(at("a")).st_ino, inode);
    EXPECT_EQ(statOf(at("a")).st_nlink, 2u);
    EXPECT_EQ(test::readFileBytes(at("b")), kNew) << "the other name sees the new content";
}

// The folder takes no new file but the file may be written: it is rewritten
// in place. Root may write anywhere, so as root the save runs as nobody.
TEST_F(FileOutput, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    const fs::path folder = at("locked");
    fs::create_directory(folder);
    test::writeFileBytes(folder / "a", kOld);
    ::chmod((folder / "a").c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    const ino_t inode = statOf(folder / "a").st_ino;
    int savedOk = -1;
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        ::chmod(dir.path().c_str(), 0711);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
            ::_exit(dropped && save(folder / "a").ok() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        savedOk = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
    } else {
        savedOk = save(folder / "a").ok() ? 1 : 0;
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(savedOk, 1);
    EXPECT_EQ(test::readFileBytes(folder / "a"), kNew);
    EXPECT_EQ(statOf(folder / "a").st_ino, inode);
    EXPECT_TRUE(noTemporaries(folder));
}

// Both files of a save are prepared before either target is replaced.
TEST_F(FileOutput, WhenOneFileCannotBeWrittenNoTargetChanges) {
    test::writeFileBytes(at("image"), kOld);
    fs::create_directory(at("listing")); // a folder in the second file's place
    const Bytes listing = {'l'};
    const OutputFile files[] = {{at("image"), kNew}, {at("listing"), listing}};
    const Status saved = writeFiles(files, [](const fs::path& file, std::string_view reason) {
        return "Error write file \"" + file.string() + "\" [" + std::string(reason) + "]";
    });
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().text, "Error write file \"" + at("listing").string() +
                                      "\" [not a regular file (a folder)]");
    EXPECT_EQ(test::readFileBytes(at("image")), kOld);
    EXPECT_TRUE(noTemporaries(dir.path()));

    const OutputFile intoNowhere[] = {{at("image"), kNew}, {at("missing") / "x", listing}};
    const Status nowhere = writeFiles(intoNowhere);
    ASSERT_FALSE(nowhere.ok());
    EXPECT_EQ(nowhere.error().code, ENOENT);
    EXPECT_EQ(test::readFileBytes(at("image")), kOld);
    EXPECT_TRUE(noTemporaries(dir.path()));
}

} // namespace
} // namespace volmar::sysio
