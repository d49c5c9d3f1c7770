// The hidraw node's reading side over a pipe standing in for /dev/hidrawN:
// reports, quiet wake-ups, being woken for a stop, and the hang-up that an
// unplugged node shows. Feature ioctls on something that is not a hidraw
// node fail with the system's text instead of pretending.
#include "volmar/hid/HidrawBackend.h"

#include "ResultAssert.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <unistd.h>

namespace volmar::hid {
namespace {

class HidrawNode : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
        writer = fds[1];
        auto made = hidraw::makeNode(sysio::UniqueFd(fds[0]));
        ASSERT_TRUE(volmar::test::isOk(made));
        node = std::move(*made);
    }
    void TearDown() override {
        if (writer >= 0) {
            ::close(writer);
        }
    }
    void send(std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> v(bytes);
        ASSERT_EQ(::write(writer, v.data(), v.size()), static_cast<ssize_t>(v.size()));
    }

    int writer = -1;
    std::unique_ptr<HidNode> node;
};

TEST_F(HidrawNode, ReadsWhatTheNodeGivesTimesOutQuietlyAndTakesAHangUpForRemoval) {
    std::vector<std::uint8_t> report;
    EXPECT_EQ(volmar::test::errorCode(node->readInput(report, 10)), ETIMEDOUT);
    send({3, 0x10, 0x20});
    ASSERT_TRUE(volmar::test::isOk(node->readInput(report, 1000)));
    EXPECT_EQ(report, (std::vector<std::uint8_t>{3, 0x10, 0x20}));
    ::close(writer);
    writer = -1;
    EXPECT_EQ(volmar::test::errorCode(node->readInput(report, 1000)), ENODEV);
}

TEST_F(HidrawNode, CancelWakesAReadWaitingOnAnotherThread) {
    auto reading = std::async(std::launch::async, [&] {
        std::vector<std::uint8_t> report;
        return volmar::test::errorCode(node->readInput(report, 60000));
    });
    node->cancelRead();
    EXPECT_EQ(reading.get(), ECANCELED);
    // And every read after it, even with data waiting.
    send({1});
    std::vector<std::uint8_t> report;
    EXPECT_EQ(volmar::test::errorCode(node->readInput(report, 1000)), ECANCELED);
}

TEST_F(HidrawNode, FeatureCallsOnANonHidNodeFailWithTheSystemText) {
    std::vector<std::uint8_t> frame(38, 0);
    frame[0] = 1;
    EXPECT_NE(volmar::test::errorCode(node->setFeature(frame)), 0);
    EXPECT_EQ(volmar::test::errorText(node->getFeature(frame)), "Inappropriate ioctl for device");
    EXPECT_EQ(volmar::test::errorCode(node->setFeature({})), EINVAL);
}

} // namespace
} // namespace volmar::hid
