// The serial-port watch runs on the GUI thread every 100 ms while the
// firmware page is shown: what one look costs with this machine's ttys
// (udev) and with one volmar-sim port published.

#include "volmar/core/PortWatch.h"
#include "volmar/firmware/SerialPortList.h"
#include "volmar/vhid/SerialPort.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace volmar::firmware {
namespace {

void lookAt(benchmark::State& state, SerialPortList& ports) {
    std::size_t listed = 0;
    for (auto _ : state) {
        const std::string list = ports::joinPortList(ports.ports());
        const ports::WatchStep step = ports::comPortWatch(list, "/dev/ttyACM0", false);
        benchmark::DoNotOptimize(step);
        listed = list.size();
    }
    state.counters["list_bytes"] = static_cast<double>(listed);
}

void BM_PortWatchLookSystem(benchmark::State& state) {
    auto ports = makeUdevSerialPorts();
    lookAt(state, *ports);
}
BENCHMARK(BM_PortWatchLookSystem)->Unit(benchmark::kMicrosecond);

void BM_PortWatchLookAll(benchmark::State& state) {
    // A private folder with one published port, as a sim in its bootloader leaves it.
    char pattern[] = "/tmp/volmar-bench.XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (dir == nullptr) {
        state.SkipWithError("cannot make a folder");
        return;
    }
    auto port = vhid::SerialPort::publish(std::filesystem::path(dir) / "bench.tty");
    if (!port) {
        state.SkipWithError(port.error().text.c_str());
        std::filesystem::remove_all(dir);
        return;
    }
    std::vector<std::unique_ptr<SerialPortList>> parts;
    parts.push_back(makeUdevSerialPorts());
    parts.push_back(makeVirtualSerialPorts(dir));
    auto ports = combineSerialPorts(std::move(parts));
    lookAt(state, *ports);
    port->reset();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PortWatchLookAll)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace volmar::firmware
