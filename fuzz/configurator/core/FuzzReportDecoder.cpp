// The controller's reports as the programs decode them. The input picks a
// joystick layout (axes with precision and assignment, a hat, the highest
// button); the descriptor the configurator generates for it must parse, and
// an input report built from the rest of the input must decode in the
// viewer to exactly the axis and button values put in. Every remaining chunk
// goes through the viewer's decoder and the live data decoder as it is.

#include "volmar/core/Descriptor.h"
#include "volmar/core/LiveData.h"
#include "volmar/hidparse/HidParse.h"
#include "volmar/input/HidJoystick.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <span>

namespace {

using namespace volmar;

constexpr std::uint16_t kButtonPage = 0x09;
constexpr std::uint16_t kDesktopPage = 0x01;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Reads bytes off the front of the input; zeros once it runs out.
struct Bytes {
    std::span<const std::uint8_t> rest;
    std::uint8_t next() {
        if (rest.empty()) {
            return 0;
        }
        const std::uint8_t b = rest.front();
        rest = rest.subspan(1);
        return b;
    }
};

DescriptorInput layoutFrom(Bytes& in) {
    DescriptorInput layout;
    const std::uint8_t shape = in.next();
    const int axes = (shape & 0x0F) % 9;
    layout.hat = (shape & 0x10) != 0;
    layout.buttons = in.next() % 129;
    for (int i = 0; i < axes; ++i) {
        const std::uint8_t a = in.next();
        layout.axes.push_back({(a & 0x0F) % 5, (a >> 4) % 9});
    }
    return layout;
}

void checkLiveData(std::span<const std::uint8_t> report) {
    const auto data = live::decodeLiveData(report);
    if (!data) {
        return;
    }
    if (report.size() < live::kReportSize || report[1] == 0) {
        fail("live data decoded from a short or empty reply");
    }
    for (int b = 0; b < live::kButtons; ++b) {
        if (data->buttons[b] != ((report[21 + b] & 1) != 0)) {
            fail("live data button does not match its byte");
        }
    }
    (void)live::debugLine(*data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{{data, size}};
    const DescriptorInput layout = layoutFrom(in);
    const JoystickDescriptor generated = generateDescriptor(layout);
    if (layout.active()) {
        auto parsed = hidparse::parseDescriptor(generated.bytes);
        if (!parsed) {
            std::fprintf(stderr, "%s\n", parsed.error().text.c_str());
            fail("a generated descriptor does not parse");
        }
        const auto index = input::findGameCollection(*parsed);
        if (!index) {
            fail("a generated descriptor has no joystick collection");
        }
        const hidparse::Collection& collection = parsed->collections[*index];
        const std::uint8_t id =
            parsed->usesReportIds ? collection.reportIds(hidparse::ReportType::Input).front() : 0;
        hidparse::ReportBuilder builder(*parsed, collection, hidparse::ReportType::Input, id);
        if (!builder.valid() || static_cast<int>(builder.bytes().size()) != generated.reportBytes) {
            fail("the input report length differs from the one stored in the image");
        }
        // Values for every axis and button, taken from the input.
        std::map<std::uint16_t, std::int64_t> axisValues;
        std::set<std::uint16_t> usedAxes;
        bool sharedUsage = false;
        for (const hidparse::ReportField& f : collection.fields) {
            if (f.type != hidparse::ReportType::Input || f.isConstant() || !f.isVariable()) {
                continue;
            }
            for (std::uint32_t i = 0; i < f.count; ++i) {
                const std::uint16_t raw = static_cast<std::uint16_t>(in.next() | (in.next() << 8));
                const std::int64_t span = std::int64_t(f.logicalMax) - f.logicalMin + 1;
                const std::int64_t value = f.logicalMin + (span > 0 ? raw % span : 0);
                if (!builder.set(f, i, value)) {
                    fail("a value inside the logical range is refused");
                }
                if (f.usages[i].page == kDesktopPage) {
                    sharedUsage |= !usedAxes.insert(f.usages[i].id).second;
                    axisValues.emplace(f.usages[i].id, value);
                }
                if (f.usages[i].page == kButtonPage) {
                    axisValues.emplace(0x8000 | f.usages[i].id, value);
                }
            }
        }
        input::HidJoystick stick(std::move(*parsed), *index);
        input::Frame frame;
        stick.decode(builder.bytes(), 0, frame);
        int buttons = 0;
        for (std::size_t o = 0; o < stick.objects().size(); ++o) {
            const input::ObjectDesc& object = stick.objects()[o];
            if (object.usagePage == kButtonPage) {
                ++buttons;
                if (stick.values()[o] != axisValues[0x8000 | object.usage]) {
                    fail("a button decodes to another value");
                }
            } else if (object.usagePage == kDesktopPage &&
                       object.kind >= input::ObjectKind::XAxis &&
                       object.kind <= input::ObjectKind::Slider && !sharedUsage &&
                       axisValues.count(object.usage) != 0 &&
                       stick.values()[o] != axisValues[object.usage]) {
                fail("an axis decodes to another value");
            }
        }
        if (buttons != layout.buttons) {
            fail("the viewer shows another number of buttons");
        }
        // The rest, in report-sized pieces, as arbitrary reports.
        while (!in.rest.empty()) {
            const std::size_t n = std::min<std::size_t>(in.rest.size(), generated.reportBytes);
            stick.decode(in.rest.first(n), 0, frame);
            checkLiveData(in.rest);
            in.rest = in.rest.subspan(n);
        }
    }
    checkLiveData(in.rest);
    return 0;
}
