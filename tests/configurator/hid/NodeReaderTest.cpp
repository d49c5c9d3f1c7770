// The reader thread on its own: a GUI thread that falls behind, batches and
// the pause between them, stopping a reader that waits, and what each kind
// of read failure leads to.
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
    std::vector<std::size_t> batches; // sizes, in the order handed over
    std::vector<int> errors;
    std::vector<int> gone;
    // Everything in the order handed over: a report's first byte, or minus
    // the error number of a failure or removal.
    std::vector<int> events;
    NodeReader::Callbacks callbacks() {
        NodeReader::Callbacks c;
        c.reports = [this](const NodeReader::Batch& batch) {
            batches.push_back(batch.size());
            for (const auto& r : batch) {
                reports.push_back(r);
                events.push_back(r.empty() ? 0 : r[0]);
            }
        };
        c.error = [this](int e) {
            errors.push_back(e);
            events.push_back(-e);
        };
        c.gone = [this](int e) {
            gone.push_back(e);
            events.push_back(-e);
        };
        return c;
    }
};

class Reader : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApp();
        handle = std::make_shared<NodeHandle>(std::make_unique<FakeNode>(shared));
    }
    // Waits (off the event loop) until the reader has taken every report fed
    // and queued it for the owner.
    bool drainedByReader(const NodeReader& reader) {
        for (int i = 0; i < 5000; ++i) {
            if (reader.readReports() >= fed) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    void feed(std::vector<std::uint8_t> report) {
        ++fed;
        FakeNode::pushInput(*shared, std::move(report));
    }

    std::shared_ptr<FakeNode::Shared> shared = std::make_shared<FakeNode::Shared>();
    std::shared_ptr<NodeHandle> handle;
    Recorder rec;
    std::uint64_t fed = 0;
};

TEST_F(Reader, GuiThatFallsBehindLosesTheOldestReportsCounted) {
    NodeReader reader(handle, 10, rec.callbacks());
    const std::size_t total = NodeReader::kMaxQueued + 100;
    for (std::size_t i = 0; i < total; ++i) {
        feed({static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i & 0xFF)});
    }
    reader.start(); // the event loop does not run meanwhile
    ASSERT_TRUE(drainedByReader(reader));
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
// in order, and after a quiet spell the next report is handed over again
// without anything else waking the owner.
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
    // A quiet spell: the reader's reads find nothing.
    test::waitFor([] { return false; }, 3 * NodeReader::Pacing{}.maxPauseMs);
    FakeNode::pushInput(*shared, {200});
    ASSERT_TRUE(test::waitFor([&] { return rec.reports.size() == 61; }));
    EXPECT_EQ(rec.reports.back(), std::vector<std::uint8_t>{200});
    EXPECT_EQ(reader.droppedReports(), 0u);
}

TEST_F(Reader, ReportsAlreadyWaitingAreHandedOverTogether) {
    for (std::uint8_t i = 1; i <= 5; ++i) {
        feed({i});
    }
    NodeReader reader(handle, 10, rec.callbacks());
    reader.start();
    ASSERT_TRUE(test::waitFor([&] { return rec.reports.size() >= 5; }));
    test::settle();
    EXPECT_EQ(rec.batches, std::vector<std::size_t>{5});
    EXPECT_EQ(rec.events, (std::vector<int>{1, 2, 3, 4, 5}));
}

// The pause after a batch, for a device sending steadily at a given rate:
// from the shortest pause it settles where a batch gathers the target, never
// lets more than half a hidraw reader's queue (64 reports) gather, and for a
// slow device reaches the longest pause.
TEST(ReaderPause, FollowsTheRateAndNeverLetsTheNodeQueueFill) {
    const NodeReader::Pacing pacing;
    struct Case {
        double perMs; // reports a millisecond
        int settledMs;
    };
    const Case cases[] = {{0.05, pacing.maxPauseMs}, // 50 a second
                          {0.5, 48},                 // every 2 ms: a game controller
                          {1.0, 24},                 // every 1 ms: fastest full-speed USB
                          {2.0, 12},
                          {8.0, 3}}; // every 125 us: high-speed USB
    for (const Case& c : cases) {
        int pause = pacing.minPauseMs;
        for (int step = 0; step < 20; ++step) {
            // A batch holds at least the report the reader waited for.
            const auto gathered =
                std::max<std::size_t>(1, static_cast<std::size_t>(c.perMs * pause));
            ASSERT_LE(gathered, 32u) << c.perMs << " a ms, step " << step;
            pause = NodeReader::nextPause(pause, gathered, pacing);
            ASSERT_GE(pause, pacing.minPauseMs);
            ASSERT_LE(pause, pacing.maxPauseMs);
        }
        EXPECT_EQ(pause, c.settledMs) << c.perMs << " a ms";
    }
    // A burst shortens the pause at once, as far as needed.
    EXPECT_EQ(NodeReader::nextPause(48, 96, pacing), 12);
}

// The first report after a quiet spell reaches the owner at once; the
// next ones wait for the handover interval unless the owner asks. While
// the thread pauses, the owner reads the node itself.
TEST_F(Reader, TheOwnerGetsEverythingSentSoFarWhenItAsks) {
    NodeReader reader(handle, 10, rec.callbacks());
    reader.setPacing({10000, 10000}); // after the first batch, a long pause
    reader.start();
    feed({1});
    ASSERT_TRUE(drainedByReader(reader));
    ASSERT_TRUE(test::waitFor([&] { return rec.reports.size() == 1; }));
    feed({2});
    feed({3});
    // Without the event loop: only deliverQueued() can hand them over.
    bool all = false;
    for (int i = 0; i < 5000 && !all; ++i) {
        reader.deliverQueued();
        all = rec.reports.size() == 3;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(all) << rec.reports.size();
    EXPECT_EQ(rec.events, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(reader.readReports(), 3u);
}

TEST_F(Reader, StopWakesAReaderInALongWaitAndNothingArrivesAfterIt) {
    NodeReader reader(handle, 10000, rec.callbacks());
    reader.start();
    ASSERT_TRUE(test::waitFor([&] { return shared->reads.load() > 0; }));
    feed({3, 1});
    ASSERT_TRUE(drainedByReader(reader));
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

// Reports read just before a failure are handed over, before the failure.
TEST_P(ReaderFailure, ReportsReadBeforeTheFailureArriveFirst) {
    feed({1});
    feed({2});
    FakeNode::setReadError(*shared, GetParam().error);
    NodeReader reader(handle, 10, rec.callbacks());
    reader.start();
    ASSERT_TRUE(test::waitFor([&] { return rec.events.size() >= 3; }));
    // A failure that passes is retried and may come again after these.
    EXPECT_EQ(std::vector<int>(rec.events.begin(), rec.events.begin() + 3),
              (std::vector<int>{1, 2, -GetParam().error}));
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
