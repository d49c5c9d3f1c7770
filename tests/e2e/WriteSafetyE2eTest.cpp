// A write with its safety net against volmar-sim: the backup read before
// write begin, the read-back after write end, a worn EEPROM cell, an unplug
// in the middle of the read-back, a backup read that fails, and the backups
// that age out.
#include "LinkFixture.h"

#include "volmar/core/Backups.h"
#include "volmar/core/ConfigFile.h"

#include <set>

namespace volmar::e2e {
namespace {

using device::Operation;
using device::Outcome;
using device::WriteCheck;

// Frames of a write with backup and read-back: 21 reads (set and get), write
// begin, 21 blocks, write end, 21 reads.
constexpr std::size_t kBackupFrames = 42;
constexpr std::size_t kWriteFrames = 23;

class WriteSafetyTest : public E2eTest {
protected:
    // Starts the sim on an EEPROM file holding `stored` (with `extra` options)
    // and connects with backups and read-back on.
    void start(const ConfigImage& stored, std::vector<std::string> extra = {}) {
        writeFileBytes(folder / "eeprom.bin", stored);
        std::vector<std::string> args{"--eeprom", path(folder / "eeprom.bin")};
        args.insert(args.end(), extra.begin(), extra.end());
        startSim(args, "VID:8888 PID:8888 Stored (Volmar2-20161101)");
        link->setWriteSafety({backups, true});
        connect();
    }
    // A configuration to write, other than the stored one.
    void edit(const std::string& name) {
        state.dev_name = name;
        state.axes[1].src = 2;
        state.axes[1].name = 2;
        osi_Change(state, englishLanguage(), true);
    }
    std::pair<Operation, Outcome> write() {
        EXPECT_TRUE(link->writeConfiguration());
        return finish();
    }
    std::vector<std::uint8_t> eeprom() { return readFileBytes(folder / "eeprom.bin"); }

    std::filesystem::path backups = folder / "backups";
    Observer& safety = observer;
};

ConfigImage storedImage() {
    return knownImage("Stored", "8888", "8888", [](ConfigState& s) {
        s.axes[0].src = 3;
        s.axes[0].name = 1;
    });
}

bool sameConfiguration(const std::vector<std::uint8_t>& a, const ConfigImage& b) {
    return a.size() >= kConfigBytes && std::equal(b.begin(), b.begin() + kConfigBytes, a.begin());
}

TEST_F(WriteSafetyTest, AWriteIsVerifiedAndEachLeavesABackupOfWhatWasThereBefore) {
    const ConfigImage stored = storedImage();
    start(stored);
    for (const char* name : {"First", "Second"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> before = eeprom();
        const std::size_t framesBefore = sim->frames().size();
        edit(name);
        EXPECT_EQ(write(), std::make_pair(Operation::Write, Outcome::Completed));
        EXPECT_TRUE(safety.messages.empty()) << safety.messages.front();
        ASSERT_EQ(safety.checks.size(), 1u);
        EXPECT_EQ(safety.checks[0].result, WriteCheck::Result::Verified);
        EXPECT_EQ(safety.checks[0].text, "Write verified: the controller holds the 641 bytes sent");
        EXPECT_TRUE(sameConfiguration(eeprom(), document.image()));

        // One new backup: the bytes the controller held before, as a file.
        ASSERT_EQ(safety.backups.size(), 1u);
        const auto kept = readConfigImage(safety.backups[0]);
        ASSERT_TRUE(kept.ok());
        EXPECT_TRUE(std::equal(kept->begin(), kept->begin() + kConfigBytes, before.begin()));
        EXPECT_TRUE(std::all_of(kept->begin() + kConfigBytes, kept->end(),
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_TRUE(std::filesystem::exists(descriptorTextPath(safety.backups[0])));

        // Reads, the write as ever, reads: each with the controller's waits.
        const auto all = sim->frames();
        const std::vector<LoggedFrame> frames(all.begin() + static_cast<long>(framesBefore),
                                              all.end());
        ASSERT_EQ(frames.size(), kBackupFrames + kWriteFrames + kBackupFrames);
        for (std::size_t k = 0; k < 21; ++k) {
            for (const std::size_t at : {2 * k, kBackupFrames + kWriteFrames + 2 * k}) {
                EXPECT_EQ(frames[at].command(), 1);
                EXPECT_EQ(frames[at].address(), static_cast<int>(32 * k));
                EXPECT_GE(frames[at + 1].ms - frames[at].ms, 25.0);
            }
        }
        const LoggedFrame& begin = frames[kBackupFrames];
        const LoggedFrame& end = frames[kBackupFrames + kWriteFrames - 1];
        EXPECT_EQ(begin.command(), 13);
        EXPECT_GE(frames[kBackupFrames + 1].ms - begin.ms, 500.0);
        EXPECT_EQ(end.command(), 3);
        EXPECT_GE(frames[kBackupFrames + kWriteFrames].ms - end.ms, 500.0);
        EXPECT_FALSE(link->LinkReady());
        safety.backups.clear();
        safety.checks.clear();
    }
    EXPECT_EQ(listBackups(backups, englishLanguage()).size(), 2u);
}

TEST_F(WriteSafetyTest, AWornCellIsReportedAtItsAddress) {
    start(storedImage(), {"--corrupt-eeprom-byte", "470"});
    edit("Worn");
    EXPECT_EQ(write(), std::make_pair(Operation::Write, Outcome::Completed));
    ASSERT_EQ(safety.checks.size(), 1u);
    EXPECT_EQ(safety.checks[0].result, WriteCheck::Result::Differs);
    EXPECT_EQ(safety.checks[0].differing, std::vector<int>{470});
    EXPECT_EQ(safety.checks[0].text, "Write differs at address 470");
}

TEST_F(WriteSafetyTest, UnplugDuringTheReadBackIsReported) {
    const ConfigImage stored = storedImage();
    start(stored, {"--unplug-after-frames", std::to_string(kBackupFrames + kWriteFrames + 11)});
    edit("Gone");
    EXPECT_EQ(write(), std::make_pair(Operation::Write, Outcome::Failed));
    ASSERT_EQ(safety.messages.size(), 1u);
    EXPECT_EQ(safety.messages[0].rfind("Error read RawTranzit.", 0), 0u) << safety.messages[0];
    ASSERT_EQ(safety.checks.size(), 1u);
    EXPECT_EQ(safety.checks[0].result, WriteCheck::Result::NotVerified);
    EXPECT_EQ(safety.checks[0].text, "Write not verified: reading it back failed");
    // The write itself went through before the controller left.
    EXPECT_TRUE(sameConfiguration(eeprom(), document.image()));
    EXPECT_EQ(safety.backups.size(), 1u);
    EXPECT_TRUE(waitUntil([&] { return !link->display().connected; }));
}

TEST_F(WriteSafetyTest, ABackupReadThatFailsKeepsNothingAndTheWriteGoesOn) {
    start(storedImage(), {"--fail-get"});
    edit("Unbacked");
    EXPECT_EQ(write(), std::make_pair(Operation::Write, Outcome::Failed));
    ASSERT_EQ(safety.messages.size(), 2u);
    EXPECT_EQ(safety.messages[0].rfind("Error read RawTranzit.GET [", 0), 0u) << safety.messages[0];
    EXPECT_NE(safety.messages[0].find("No backup was kept"), std::string::npos);
    EXPECT_TRUE(safety.backups.empty());
    EXPECT_FALSE(std::filesystem::exists(backups) && !std::filesystem::is_empty(backups));
    EXPECT_TRUE(sameConfiguration(eeprom(), document.image()));
    // Its read-back fails the same way: not verified.
    ASSERT_EQ(safety.checks.size(), 1u);
    EXPECT_EQ(safety.checks[0].result, WriteCheck::Result::NotVerified);
}

TEST_F(WriteSafetyTest, TheFiftyFirstBackupRemovesTheOldest) {
    // Fifty kept already, the oldest first.
    const ConfigImage stored = storedImage();
    DescriptorLog log(kDescriptorLogLines);
    std::set<std::string> before;
    for (int i = 0; i < static_cast<int>(kBackupsKept); ++i) {
        const BackupName name{{2024, 1 + i / 28, 1 + i % 28, 12, 0, 0, 0}, 0x8888, 0x8888, "Old"};
        const auto file = backups / backupFileName(name);
        std::filesystem::create_directories(backups);
        ASSERT_TRUE(writeConfigFiles(file, stored, log).ok());
        before.insert(file.filename().string());
    }
    const std::string oldest = *before.begin();
    start(stored);
    edit("Newest");
    EXPECT_EQ(write(), std::make_pair(Operation::Write, Outcome::Completed));
    ASSERT_EQ(safety.backups.size(), 1u);

    const std::vector<BackupEntry> list = listBackups(backups, englishLanguage());
    ASSERT_EQ(list.size(), kBackupsKept);
    EXPECT_EQ(list.front().file.string(), safety.backups[0]);
    EXPECT_FALSE(std::filesystem::exists(backups / oldest));
    EXPECT_FALSE(std::filesystem::exists(descriptorTextPath(backups / oldest)));
    EXPECT_TRUE(std::filesystem::exists(backups / *std::next(before.begin())));
}

} // namespace
} // namespace volmar::e2e
