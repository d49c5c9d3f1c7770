// Cost of parsing the largest joystick descriptor the configurator makes, and
// of decoding / building one of its input reports: the viewer decodes every
// report of a 1 kHz controller, the virtual controller builds as many.

#include "volmar/hidparse/HidParse.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

using namespace volmar::hidparse;

namespace {

std::vector<std::uint8_t> loadHex(const std::string& name) {
    std::ifstream in(std::string(VOLMAR_TEST_DATA_DIR) + "/hid/" + name + ".hex");
    std::vector<std::uint8_t> bytes;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string word;
        while (words >> word)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

ParsedDescriptor parseOrDie(const std::vector<std::uint8_t>& bytes, benchmark::State& state) {
    auto parsed = parseDescriptor(bytes);
    if (!parsed) {
        state.SkipWithError(parsed.error().text.c_str());
        return {};
    }
    return std::move(*parsed);
}

void BM_ParseJoystick132(benchmark::State& state) {
    const auto bytes = loadHex("joystick-132");
    for (auto _ : state) {
        auto parsed = parseDescriptor(bytes);
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseJoystick132);

// Every element of one report: 8 axes, hat, 128 buttons.
void BM_DecodeJoystick132Report(benchmark::State& state) {
    const ParsedDescriptor d = parseOrDie(loadHex("joystick-132"), state);
    if (d.collections.empty())
        return;
    std::vector<std::uint8_t> wire(30, 0x5A);
    wire[0] = 1;
    const auto payload = d.payloadOf(wire);
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (const ReportField& f : d.collections[0].fields)
            for (std::uint32_t i = 0; i < f.count; ++i)
                sum += extractField(f, i, payload).value_or(0);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["reports/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeJoystick132Report);

void BM_BuildJoystick132Report(benchmark::State& state) {
    const ParsedDescriptor d = parseOrDie(loadHex("joystick-132"), state);
    if (d.collections.empty())
        return;
    ReportBuilder builder(d, d.collections[0], ReportType::Input, 1);
    std::int64_t tick = 0;
    for (auto _ : state) {
        ++tick;
        for (std::uint16_t axis = 0x30; axis <= 0x37; ++axis)
            builder.setUsage({1, axis}, (tick * axis) & 0x3FF);
        builder.setUsage({1, 0x39}, tick & 7);
        for (std::uint16_t b = 1; b <= 128; ++b)
            builder.setUsage({9, b}, (tick >> (b % 8)) & 1);
        benchmark::DoNotOptimize(builder.bytes().data());
    }
    state.counters["reports/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BuildJoystick132Report);

} // namespace
