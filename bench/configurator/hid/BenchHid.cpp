// What the HID layer costs the GUI thread: a list rebuild that finds nothing
// new (every hot-plug note of any device triggers one), and the time an
// input report takes from the node's reader thread to a handler on the GUI
// thread.
#include "volmar/hid/HidController.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

using namespace volmar::hid;
using volmar::Error;
using volmar::Result;
using volmar::Status;

// Input reports handed in by the benchmark, read by the controller's reader.
struct Feed {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::vector<std::uint8_t>> reports;
    bool cancelled = false;
};

class FeedNode final : public HidNode {
public:
    explicit FeedNode(Feed& feed) : m_feed(feed) {}
    Status setFeature(std::span<const std::uint8_t>) override { return {}; }
    Status getFeature(std::span<std::uint8_t>) override { return {}; }
    Status readInput(std::vector<std::uint8_t>& report, int timeoutMs) override {
        std::unique_lock lock(m_feed.mutex);
        m_feed.cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return m_feed.cancelled || !m_feed.reports.empty(); });
        if (m_feed.cancelled) {
            return Error::fromErrno(ECANCELED);
        }
        if (m_feed.reports.empty()) {
            return Error::fromErrno(ETIMEDOUT);
        }
        report = std::move(m_feed.reports.front());
        m_feed.reports.pop_front();
        return {};
    }
    void cancelRead() override {
        std::lock_guard lock(m_feed.mutex);
        m_feed.cancelled = true;
        m_feed.cv.notify_all();
    }

private:
    Feed& m_feed;
};

class ListBackend final : public HidBackend {
public:
    ListBackend(int nodes, Feed& feed) : m_feed(feed) {
        for (int n = 0; n < nodes; ++n) {
            for (int c = 0; c < 2; ++c) {
                CollectionInfo info;
                info.deviceId = "bench:" + std::to_string(n) + "#" + std::to_string(c);
                info.path = "/bench/" + std::to_string(n);
                info.collectionIndex = c;
                info.caps.usagePage = 1;
                info.caps.usage = 4;
                info.caps.inputReportByteLength = 4;
                info.inputReportIds = {3};
                info.usesReportIds = true;
                info.product = "Bench device";
                m_list.push_back(info);
            }
        }
    }
    std::string name() const override { return "bench"; }
    std::vector<CollectionInfo> enumerate() override { return m_list; }
    Result<std::unique_ptr<HidNode>> open(const std::string&) override {
        return std::unique_ptr<HidNode>(std::make_unique<FeedNode>(m_feed));
    }
    void setChangeCallback(std::function<void()>) override {}

private:
    Feed& m_feed;
    std::vector<CollectionInfo> m_list;
};

std::unique_ptr<HidController> makeController(int nodes, Feed& feed) {
    std::vector<std::unique_ptr<HidBackend>> backends;
    backends.push_back(std::make_unique<ListBackend>(nodes, feed));
    auto controller = std::make_unique<HidController>(std::move(backends));
    QCoreApplication::processEvents(); // the first build
    return controller;
}

void BM_RebuildWithoutChange(benchmark::State& state) {
    Feed feed;
    auto controller = makeController(static_cast<int>(state.range(0)), feed);
    for (auto _ : state) {
        controller->rebuild();
    }
    state.counters["collections"] = static_cast<double>(controller->devices().size());
}
BENCHMARK(BM_RebuildWithoutChange)->Arg(4)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_InputReportToGuiThread(benchmark::State& state) {
    Feed feed;
    auto controller = makeController(1, feed);
    HidDevice* joystick = controller->devices().at(1);
    if (const Status taken = controller->checkOut(joystick); !taken) {
        state.SkipWithError(taken.error().text.c_str());
        return;
    }
    int delivered = 0;
    QObject::connect(joystick, &HidDevice::data, [&] { ++delivered; });
    double worstUs = 0;
    for (auto _ : state) {
        const int before = delivered;
        const auto start = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(feed.mutex);
            feed.reports.push_back({3, 1, 2, 3});
            feed.cv.notify_all();
        }
        while (delivered == before) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        worstUs = std::max(worstUs, us);
    }
    state.counters["worst_us"] = worstUs;
    state.counters["reports_per_s"] =
        benchmark::Counter(static_cast<double>(delivered), benchmark::Counter::kIsRate);
    controller->checkIn(joystick); // handed back before the controller goes
}
BENCHMARK(BM_InputReportToGuiThread)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
