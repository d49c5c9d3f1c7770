// One program per device: the lock refuses a second holder and names the
// first, and goes with its process.
#include "volmar/sysio/DeviceLock.h"

#include "ResultAssert.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace volmar::sysio {
namespace {

using Kind = DeviceLock::Kind;

class DeviceLockTest : public ::testing::Test {
protected:
    void TearDown() override { setProgramName(m_name); }
    test::TempDir dir;
    std::string m_name = programName();
};

TEST_F(DeviceLockTest, ASecondHolderIsRefusedWithTheFirstNamedUntilItLetsGo) {
    setProgramName("VolmarSetup");
    const auto path = dir / "dev.lock";
    auto first = DeviceLock::acquire(path, Kind::File);
    ASSERT_TRUE(test::isOk(first));
    const std::string expected = "in use by VolmarSetup, pid " + std::to_string(::getpid());
    // Another open of the file is another holder, even in this process.
    const auto second = DeviceLock::acquire(path, Kind::File);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().code, EBUSY);
    EXPECT_EQ(second.error().text, expected);
    EXPECT_EQ(inUseText(DeviceLock::holderOf(path, Kind::File)), expected);
    first->release();
    EXPECT_TRUE(test::isOk(DeviceLock::acquire(path, Kind::File)));
}

// A node cannot carry a record: the kernel's lock list and the holder's
// process name tell who it is.
TEST_F(DeviceLockTest, ANodesHolderIsNamedFromTheKernelsLocks) {
    const auto node = dir / "node";
    test::writeFileText(node, "");
    auto held = DeviceLock::acquire(node, Kind::Node);
    ASSERT_TRUE(test::isOk(held));
    const auto refused = DeviceLock::acquire(node, Kind::Node);
    ASSERT_FALSE(refused.ok());
    const LockHolder holder = DeviceLock::holderOf(node, Kind::Node);
    EXPECT_EQ(holder.pid, ::getpid());
    EXPECT_FALSE(holder.program.empty());
    EXPECT_EQ(refused.error().text, inUseText(holder));
    EXPECT_EQ(test::readFileText(node), "") << "a node is never written";
    // A node that is not there is no lock to take.
    EXPECT_EQ(test::errorCode(DeviceLock::acquire(dir / "gone", Kind::Node)), ENOENT);
}

// A record left by an earlier holder does not name the one holding now.
TEST_F(DeviceLockTest, AStaleRecordGivesWayToTheRealHolder) {
    const auto path = dir / "dev.lock";
    test::writeFileText(path, "OldProgram 1\n");
    const auto fd = openFile(path, O_RDONLY);
    ASSERT_TRUE(fd.ok());
    ASSERT_EQ(::flock(fd->get(), LOCK_EX | LOCK_NB), 0); // held, no new record
    const LockHolder holder = DeviceLock::holderOf(path, Kind::File);
    EXPECT_EQ(holder.pid, ::getpid());
    EXPECT_NE(holder.program, "OldProgram");
}

// The kernel drops the lock with its process: no stale lock after a crash.
TEST_F(DeviceLockTest, TheLockGoesWithAProcessThatDies) {
    const auto path = dir / "dev.lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setProgramName("volmarctl");
        auto lock = DeviceLock::acquire(path, Kind::File);
        const char ok = lock.ok() ? '1' : '0';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &ok, 1);
        ::pause(); // until killed
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    const auto refused = DeviceLock::acquire(path, Kind::File);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().text, "in use by volmarctl, pid " + std::to_string(child));
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_TRUE(test::isOk(DeviceLock::acquire(path, Kind::File)));
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace volmar::sysio
