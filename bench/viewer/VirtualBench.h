#pragma once

// What the viewer benchmarks share: a virtual controller served in this
// process from a private folder, an input API over it, and CPU clocks.

#include "volmar/input/DeviceManager.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/vhid/Server.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <thread>
#include <time.h>

namespace volmar::bench {

inline double cpuSeconds(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
inline double threadCpuSeconds() {
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}
inline double processCpuSeconds() {
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

struct VirtualDevice {
    std::filesystem::path folder;
    std::unique_ptr<vhid::Server> server; // null when it could not be plugged in

    VirtualDevice(const std::string& product, std::vector<std::uint8_t> descriptor) {
        char pattern[] = "/tmp/volmar-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return;
        }
        folder = pattern;
        vhid::DeviceInfo info;
        info.product = product;
        info.reportDescriptor = std::move(descriptor);
        if (auto listening = vhid::Server::listen(folder / "bench.sock", info)) {
            server = std::move(*listening);
        }
    }
    ~VirtualDevice() {
        server.reset();
        if (!folder.empty()) {
            std::filesystem::remove_all(folder);
        }
    }
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    void serveOnce(int timeoutMs) {
        std::vector<pollfd> fds;
        server->addPollFds(fds);
        ::poll(fds.data(), fds.size(), timeoutMs);
        std::vector<vhid::Server::Request> requests;
        server->process(requests);
    }

    // Runs `connect` (which opens the device) while another thread answers
    // the device's side, until a reader has subscribed; from then on only
    // the caller's thread touches the server.
    void serveWhile(const std::function<void()>& connect) {
        std::atomic<bool> connected{false};
        std::thread serve([&] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (std::chrono::steady_clock::now() < end &&
                   !(connected.load() && server->subscriberCount() > 0)) {
                serveOnce(5);
            }
        });
        connect();
        connected = true;
        serve.join();
    }

    // The input API over this folder's virtual controllers.
    input::CDeviceManager::ApiFactory apiFactory() const {
        return [dir = folder] {
            return std::make_unique<input::InputApi>(
                std::vector<std::shared_ptr<input::Backend>>{input::makeVirtualBackend(dir)});
        };
    }
};

} // namespace volmar::bench
