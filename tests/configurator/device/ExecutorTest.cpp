// The scheduler's virtual clock and the transfer worker.
#include "LinkFixture.h"

#include <atomic>
#include <thread>

namespace volmar::test {
namespace {

TEST(VirtualScheduler, RunsTasksAtTheirDueTimeInOrder) {
    device::VirtualScheduler clock;
    std::vector<std::pair<int, std::int64_t>> ran;
    clock.after(30, [&] { ran.emplace_back(1, clock.nowMs()); });
    clock.after(10, [&] {
        ran.emplace_back(2, clock.nowMs());
        clock.after(5, [&] { ran.emplace_back(3, clock.nowMs()); });
    });
    clock.after(10, [&] { ran.emplace_back(4, clock.nowMs()); });
    clock.advance(12);
    EXPECT_EQ(ran, (std::vector<std::pair<int, std::int64_t>>{{2, 10}, {4, 10}}));
    EXPECT_EQ(clock.nowMs(), 12);
    EXPECT_EQ(clock.runUntilIdle(), 2);
    EXPECT_EQ(ran.back(), std::make_pair(1, std::int64_t{30}));
    EXPECT_EQ(ran[2], std::make_pair(3, std::int64_t{15}));
}

TEST(WorkerExecutor, WorkRunsElsewhereAndResultsComeBackHereInOrder) {
    qtApp();
    device::WorkerExecutor worker;
    const auto here = std::this_thread::get_id();
    std::vector<int> done;
    std::atomic<int> offThread{0};
    for (int i = 0; i < 5; ++i) {
        worker.run(
            [&] {
                if (std::this_thread::get_id() != here) {
                    ++offThread;
                }
            },
            [&, i] {
                EXPECT_EQ(std::this_thread::get_id(), here);
                done.push_back(i);
            });
    }
    waitUntil([&] { return done.size() >= 5; }, 10000);
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(offThread.load(), 5);
}

TEST(WorkerExecutor, ResultsOfAGoneWorkerAreDropped) {
    qtApp();
    bool delivered = false;
    std::atomic<bool> worked{false};
    {
        device::WorkerExecutor worker;
        worker.run([&] { worked = true; }, [&] { delivered = true; });
        while (!worked) {
            std::this_thread::yield();
        }
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
}

} // namespace
} // namespace volmar::test
