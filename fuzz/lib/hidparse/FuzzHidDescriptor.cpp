// Any bytes as a report descriptor; for a descriptor that parses, every
// element of every report is read from (and written into) a report made of
// the remaining input, which also checks that a written value reads back.

#include "volmar/hidparse/HidParse.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace volmar::hidparse;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // First two bytes choose where the descriptor ends; the rest is report data.
    const std::size_t split = std::min<std::size_t>(size - 2, (data[0] | (data[1] << 8)));
    const std::span<const std::uint8_t> descriptor(data + 2, split);
    const std::span<const std::uint8_t> reportData(data + 2 + split, size - 2 - split);

    const auto parsed = parseDescriptor(descriptor);
    if (!parsed) {
        if (parsed.error().text.empty())
            std::abort(); // a failure must always say why
        return 0;
    }
    for (const Collection& c : parsed->collections) {
        for (const ReportInfo& report : c.reports) {
            ReportBuilder builder(*parsed, c, report.type, report.reportId);
            if (!builder.valid() || builder.payload().size() != report.payloadBytes())
                std::abort();
            // A random wire report, possibly shorter than declared.
            std::vector<std::uint8_t> wire(reportData.begin(), reportData.end());
            const auto payload = parsed->payloadOf(wire);
            for (const ReportField& f : c.fields) {
                if (f.type != report.type || f.reportId != report.reportId)
                    continue;
                if (f.isVariable() && f.usages.size() != f.count)
                    std::abort();
                for (std::uint32_t i = 0; i < f.count; ++i) {
                    const auto value = extractField(f, i, payload);
                    if (value && f.isArray())
                        (void)arrayUsage(f, *value);
                    if (value && builder.set(f, i, *value) &&
                        extractField(f, i, builder.payload()) != value)
                        std::abort();
                }
            }
        }
    }
    return 0;
}
