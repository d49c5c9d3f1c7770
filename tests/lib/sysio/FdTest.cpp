// The descriptor owner and the plain-POSIX helpers under the file and device
// paths of both programs.
#include "volmar/sysio/Fd.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <numeric>
#include <thread>
#include <unistd.h>
#include <vector>

namespace volmar::sysio {
namespace {

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

struct Pipe {
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read.reset(fds[0]);
        write.reset(fds[1]);
    }
    UniqueFd read;
    UniqueFd write;
};

TEST(UniqueFdTest, OwnershipMovesAndEachDescriptorIsClosedOnce) {
    Pipe p;
    const int r = p.read.get();
    const int w = p.write.get();
    UniqueFd moved(std::move(p.read));
    EXPECT_FALSE(p.read.valid());
    EXPECT_EQ(moved.get(), r);
    // Assigning closes what the target held; the source gives up its own.
    moved = std::move(p.write);
    EXPECT_FALSE(isOpen(r));
    EXPECT_TRUE(isOpen(w));
    // A self-move must not close the descriptor under its owner.
    UniqueFd& alias = moved;
    moved = std::move(alias);
    EXPECT_TRUE(isOpen(w));
    const int released = moved.release();
    EXPECT_EQ(released, w);
    moved.reset();
    EXPECT_TRUE(isOpen(w)) << "a released descriptor belongs to the caller";
    UniqueFd again(released);
    EXPECT_TRUE(again.close().ok());
    EXPECT_FALSE(isOpen(w));
    EXPECT_TRUE(again.close().ok()) << "closing an empty owner is no failure";
}

TEST(UniqueFdTest, CloseReportsWhatTheSystemSaid) {
    Pipe p;
    const int fd = p.read.get();
    ::close(fd); // closed behind the owner's back
    const Status closed = p.read.close();
    ASSERT_FALSE(closed.ok());
    EXPECT_EQ(closed.error().code, EBADF);
    EXPECT_EQ(closed.error().text, "Bad file descriptor");
}

TEST(FileHelpersTest, ReadFullGathersShortReadsAndStopsAtTheEnd) {
    Pipe p;
    const std::vector<std::uint8_t> first{1, 2, 3};
    const std::vector<std::uint8_t> second{4, 5};
    ASSERT_TRUE(writeAll(p.write.get(), first).ok());
    ASSERT_TRUE(writeAll(p.write.get(), second).ok());
    p.write.reset();
    std::vector<std::uint8_t> buffer(4);
    auto got = readFull(p.read.get(), buffer);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, 4u) << "stops when the buffer is full";
    EXPECT_EQ(buffer, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    got = readFull(p.read.get(), buffer);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, 1u) << "stops at the end of the data";
    EXPECT_EQ(buffer[0], 5);
}

TEST(FileHelpersTest, WriteAllPassesEveryByteThroughAFullPipe) {
    Pipe p;
    ASSERT_EQ(::fcntl(p.write.get(), F_SETPIPE_SZ, 4096), 4096);
    std::vector<std::uint8_t> data(64 * 1024);
    std::iota(data.begin(), data.end(), std::uint8_t{0});
    std::vector<std::uint8_t> back(data.size());
    std::size_t received = 0;
    // The reader drains while the writer blocks on the full pipe.
    std::thread reader([&] {
        const auto got = readFull(p.read.get(), back);
        received = got.ok() ? *got : 0;
    });
    EXPECT_TRUE(writeAll(p.write.get(), data).ok());
    p.write.reset();
    reader.join();
    EXPECT_EQ(received, data.size());
    EXPECT_EQ(back, data);
}

TEST(FileHelpersTest, FailuresCarryTheErrnoValue) {
    test::TempDir dir;
    const auto missing = openFile(dir / "missing", O_RDONLY);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);

    auto readOnly = openFile(dir.path(), O_RDONLY | O_DIRECTORY);
    ASSERT_TRUE(readOnly.ok());
    const std::vector<std::uint8_t> bytes{1};
    const Status written = writeAll(readOnly->get(), bytes);
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().code, EBADF);
    std::vector<std::uint8_t> buffer(1);
    const auto read = readFull(readOnly->get(), buffer);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().code, EISDIR);
}

} // namespace
} // namespace volmar::sysio
