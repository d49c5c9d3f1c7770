#include "volmar/sim/Firmware.h"
#include "volmar/sim/Joystick.h"
#include "volmar/sim/SimDevice.h"
#include "volmar/vhid/Client.h"
#include "volmar/vhid/Server.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace volmar;
using namespace std::chrono_literals;

// A configured controller: 8 axes at 14 bits, hat and 128 buttons, the
// largest report the configurator can describe.
sim::EepromImage largestConfiguration() {
    sim::EepromImage e{};
    std::vector<std::uint8_t> d{0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x15,
                                0x00, 0x95, 0x01, 0x26, 0xFF, 0x3F, 0x75, 0x0E};
    for (int axis = 1; axis <= 8; ++axis) {
        const std::size_t at = 18 * static_cast<std::size_t>(axis - 1);
        e[at] = 1;
        e[at + 3] = static_cast<std::uint8_t>(axis);
        e[at + 4] = 4;
        d.insert(d.end(), {0x09, static_cast<std::uint8_t>(0x2F + axis), 0x81, 0x02});
    }
    d.insert(d.end(), {0x09, 0x39, 0x15, 0x00, 0x25, 0x07, 0x95, 0x01, 0x75, 0x04, 0x81, 0x02, 0x05,
                       0x09, 0x15, 0x00, 0x25, 0x01, 0x19, 0x01, 0x29, 0x80, 0x75, 0x01, 0x95, 0x80,
                       0x81, 0x02, 0x05, 0x01, 0x75, 0x01, 0x95, 0x04, 0x81, 0x03, 0xC0});
    for (std::size_t row = 0; row < sim::image::kButtonRows; ++row) {
        e[sim::image::kButtonMap + row] = static_cast<std::uint8_t>(1 + row % 128);
    }
    e[sim::image::kUsbFlags] = 0x11;
    e[sim::image::kDescriptorLength] = static_cast<std::uint8_t>(d.size());
    std::copy(d.begin(), d.end(), e.begin() + sim::image::kDescriptor);
    return e;
}

void BM_JoystickInputReport(benchmark::State& state) {
    const sim::EepromImage e = largestConfiguration();
    const sim::Joystick joystick(e);
    if (!joystick.hasInput()) {
        state.SkipWithError(("no input: " + joystick.problem()).c_str());
        return;
    }
    sim::SimTime t{0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(joystick.inputReport(e, sim::BoardSettings{}, t += 1ms));
    }
    state.SetLabel("one report of 8 axes, hat, 128 buttons (1 kHz poll needs < 1 ms)");
}
BENCHMARK(BM_JoystickInputReport);

void BM_LiveDataGet(benchmark::State& state) {
    sim::Firmware firmware(largestConfiguration(), sim::BoardSettings{}, sim::SimTime{0});
    sim::SimTime t{0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(firmware.getFeature(2, sim::kLiveReportSize, t += 100ms));
    }
}
BENCHMARK(BM_LiveDataGet);

// Set + get of a command frame over the socket, the device answering at
// once: the transport's share of every wait the protocol requires.
void BM_TransportRoundTrip(benchmark::State& state) {
    char dir[] = "/tmp/volmar-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const std::filesystem::path socket = std::filesystem::path(dir) / "bench.sock";
    sim::Firmware firmware(largestConfiguration(), sim::BoardSettings{}, sim::SimTime{0});
    sim::SimDevice device(firmware, sim::Faults{});
    auto listening = vhid::Server::listen(socket, vhid::DeviceInfo{});
    if (!listening) {
        state.SkipWithError(listening.error().text.c_str());
        return;
    }
    std::unique_ptr<vhid::Server> server = std::move(*listening);
    std::atomic<bool> stop{false};
    std::thread loop([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!stop) {
            std::vector<pollfd> fds;
            server->addPollFds(fds);
            ::poll(fds.data(), fds.size(), 10);
            std::vector<vhid::Server::Request> requests;
            server->process(requests);
            for (const auto& r : requests) {
                const auto now = std::chrono::duration_cast<sim::SimTime>(
                    std::chrono::steady_clock::now() - start);
                // Fetch after the board's wait: the model sees the time pass.
                const sim::Outcome out = device.handle(r.message, now + 1s);
                if (out.reply) {
                    server->send(r.connection, *out.reply);
                }
            }
        }
    });
    auto connected = vhid::Client::connect(socket);
    if (!connected) {
        stop = true;
        loop.join();
        state.SkipWithError(connected.error().text.c_str());
        return;
    }
    std::unique_ptr<vhid::Client> client = std::move(*connected);
    std::vector<std::uint8_t> request(sim::kFrameSize, 0);
    request[0] = 1;
    request[1] = sim::cmd::ReadBlock;
    request[4] = 32;
    std::vector<std::uint8_t> reply;
    for (auto _ : state) {
        if (!client->setFeature(request) || !client->getFeature(1, sim::kFrameSize, reply)) {
            state.SkipWithError("transfer failed");
            break;
        }
    }
    state.SetLabel("set + get of one 38-byte frame (the protocol waits 25 ms in between)");
    client.reset();
    stop = true;
    loop.join();
    server.reset();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TransportRoundTrip)->Unit(benchmark::kMicrosecond);

} // namespace
