// The reader thread on its own: a GUI thread that falls behind, stopping a
// reader that waits, and what each kind of read failure leads to.
#include "NodeReader.h"
#include "HidTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace volmar::hid {
namespace {

using test::FakeNode;

struct Recorder {
    std::vector<std::vector<std::uint8_t>> reports;
    std::vector<int> errors;
    std::vector<int> gone;
    NodeReader::Callbacks callbacks() {
        NodeReader::Callbacks c;
        c.report = [this](const std::vector<std::uint8_t>& r) { reports.push_back(r); };
        c.error = [this](int e) { errors.push_back(e); };
        c.gone = [this](int e) { gone.push_back(e); };
        return c;
    }
};

class Reader : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApp();
        handle = std::make_shared<NodeHandle>(std::make_unique<FakeNode>(shared));
    }
    // Waits (off the event loop) until the reader has taken every report and
    // queued the last one: it is back for the next read.
    bool drainedByReader() {
        for (int i = 0; i < 5000; ++i) {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->input.empty() && shared->reads.load() > readsBefore + fed) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Reports fed before the reader starts, and the reads made before them,
    // for drainedByReader().
    void feed(std::vector<std::uint8_t> report) {
        if (fed == 0) {
            readsBefore = shared->reads.load();
        }
        ++fed;
        FakeNode::pushInput(*shared, std::move(report));
    }

    std::shared_ptr<FakeNode::Shared> shared = std::make_shared<FakeNode::Shared>();
    std::shared_ptr<NodeHandle> handle;
    Recorder rec;
    int fed = 0;
    int readsBefore = 0;
};

TEST_F(Reader, GuiThatFallsBehindLosesTheOldestReportsCounted) {
    NodeReader reader(handle, 10, rec.callbacks());
    const std::size_t total = NodeReader::kMaxQueued + 100;
    for (std::size_t i = 0; i < total; ++i) {
        feed({static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i & 0xFF)});
    }
    reader.start(); // the event loop does not run meanwhile
    ASSERT_TRUE(drainedByReader());
    ASSERT_TRUE(test::waitFor([&] { return !rec.reports.empty(); }));
    test::settle();
    ASSERT_EQ(rec.reports.size(), NodeReader::kMaxQueued);
    EXPECT_EQ(reader.droppedReports(), 100u);
    // The newest survive, in order.
    EXPECT_EQ(rec.reports.front(), (std::vector<std::uint8_t>{0, 100}));
    const std::size_t last = total - 1;
    EXPECT_EQ(rec.reports.back(),
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(last >> 8),
                                         static_cast<std::uint8_t>(last & 0xFF)}));
}

// Reports that keep coming are handed over in batches; each one arrives,
// in order, and once the stream pauses the next report is handed over
// again without anything else waking the owner.
TEST_F(Reader, AStreamArrivesWholeAndInOrderAndAReportAfterAPauseToo) {
    NodeReader reader(handle, 10, rec.callbacks());
    reader.start();
    std::thread device([this] {
        for (int i = 0; i < 60; ++i) {
            FakeNode::pushInput(*shared, {static_cast<std::uint8_t>(i)});
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const bool all = test::waitFor([&] { return rec.reports.size() >= 60; });
    device.join();
    ASSERT_TRUE(all) << rec.reports.size() << " of 60";
    for (std::size_t i = 0; i < 60; ++i) {
        ASSERT_EQ(rec.reports[i], std::vector<std::uint8_t>{static_cast<std::uint8_t>(i)}) << i;
    }
    // The pause: a look at the queue finds nothing.
    test::waitFor([] { return false; }, 3 * NodeReader::kBatchMs);
    FakeNode::pushInput(*shared, {200});
    ASSERT_TRUE(test::waitFor([&] { return rec.reports.size() == 61; }));
    EXPECT_EQ(rec.reports.back(), std::vector<std::uint8_t>{200});
    EXPECT_EQ(reader.droppedReports(), 0u);
}

TEST_F(Reader, StopWakesAReaderInALongWaitAndNothingArrivesAfterIt) {
    NodeReader reader(handle, 10000, rec.callbacks());
    reader.start();
    ASSERT_TRUE(test::waitFor([&] { return shared->reads.load() > 0; }));
    FakeNode::pushInput(*shared, {3, 1});
    ASSERT_TRUE(drainedByReader());
    reader.stop(); // the queued report is not handed out any more
    EXPECT_FALSE(reader.running());
    test::settle();
    EXPECT_TRUE(rec.reports.empty());
    reader.stop(); // again: harmless
}

struct FailureCase {
    const char* name;
    int error;
    bool gone;
};

class ReaderFailure : public Reader, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReaderFailure, RemovalEndsTheReaderOtherFailuresAreRetried) {
    NodeReader reader(handle, 10, rec.callbacks());
    FakeNode::setReadError(*shared, GetParam().error);
    reader.start();
    if (GetParam().gone) {
        ASSERT_TRUE(test::waitFor([&] { return !rec.gone.empty(); }));
        const int readsAtGone = shared->reads.load();
        test::settle();
        EXPECT_EQ(rec.gone, std::vector<int>{GetParam().error});
        EXPECT_TRUE(rec.errors.empty());
        EXPECT_EQ(shared->reads.load(), readsAtGone); // it read no more
    } else {
        ASSERT_TRUE(test::waitFor([&] { return rec.errors.size() >= 2; }));
        EXPECT_EQ(rec.errors[0], GetParam().error);
        EXPECT_TRUE(rec.gone.empty());
        FakeNode::setReadError(*shared, 0);
        FakeNode::pushInput(*shared, {1});
        ASSERT_TRUE(test::waitFor([&] { return !rec.reports.empty(); }));
    }
}

INSTANTIATE_TEST_SUITE_P(Errors, ReaderFailure,
                         ::testing::Values(FailureCase{"nodev", ENODEV, true},
                                           FailureCase{"io", EIO, true},
                                           FailureCase{"proto", EPROTO, false},
                                           FailureCase{"overflow", EOVERFLOW, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reader, TimeoutsAreQuietWakeUps) {
    NodeReader reader(handle, 10, rec.callbacks());
    reader.start();
    ASSERT_TRUE(test::waitFor([&] { return shared->reads.load() >= 3; }));
    test::settle();
    EXPECT_TRUE(rec.errors.empty());
    EXPECT_TRUE(rec.gone.empty());
    EXPECT_TRUE(rec.reports.empty());
}

} // namespace
} // namespace volmar::hid
