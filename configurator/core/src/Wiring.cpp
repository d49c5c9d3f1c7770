#include "volmar/core/Wiring.h"

#include "volmar/core/Descriptor.h"
#include "volmar/core/ValueLists.h"

#include "ImageCodecLayout.h"
#include "RulesDetail.h"

#include <algorithm>
#include <map>
#include <set>

namespace volmar {

namespace {

constexpr int kSourceMcp3202 = 5;
constexpr int kSourceMcp3204 = 6;
constexpr int kFirstPinSource = 2; // sources from here on read a pin

std::string num2(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

std::string pinName(int pin) {
    return portList()[static_cast<std::size_t>(pin)];
}

// One function a pin was chosen for.
struct PinUse {
    std::string control;
    std::string function;
    int source = 0;  // axis pins: the source code
    int channel = 0; // axis pins: the channel
};

// The converters with channels share their select pin between the axes they
// feed, one channel each.
bool shareable(const PinUse& a, const PinUse& b) {
    const bool converter = a.source == kSourceMcp3202 || a.source == kSourceMcp3204;
    return converter && a.source == b.source && a.channel > 0 && b.channel > 0 &&
           a.channel != b.channel;
}

bool validPin(int pin) {
    return pin > 0 && pin < kPortEntries;
}

std::map<int, std::vector<PinUse>> pinUses(const ConfigState& s) {
    std::map<int, std::vector<PinUse>> uses;
    const auto add = [&uses](int pin, PinUse use) {
        if (validPin(pin))
            uses[pin].push_back(std::move(use));
    };
    for (int n = 1; n <= kAxisCount; ++n) {
        const AxisFields& axis = s.axes[static_cast<std::size_t>(n - 1)];
        // A virtual axis keeps its pin list but reads no pin.
        const int source = detail::sourceCode(axis);
        if (source >= kFirstPinSource) {
            add(axis.src_port,
                {"osi_" + std::to_string(n) + "_src_port", "axis " + std::to_string(n), source,
                 layout::listByte(axis.src_chnl, layout::kChannelEntries)});
        }
    }
    add(s.osi_vlsens_clk, {"osi_vlsens_clk", "sensor-board clock"});
    for (int n = 1; n <= kMatrixPins; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        add(s.hw_br[i], {"hw_br_" + std::to_string(n), "matrix row " + std::to_string(n)});
    }
    for (int n = 1; n <= kMatrixPins; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        add(s.hw_bc[i], {"hw_bc_" + std::to_string(n), "matrix column " + std::to_string(n)});
    }
    for (int r = 1; r <= kShiftChains; ++r) {
        const ShiftChain& chain = s.sr[static_cast<std::size_t>(r - 1)];
        // A chain without a chip type is not wired; its pins are leftovers.
        if (!detail::isSet(chain.len))
            continue;
        const std::string p = "sr_" + num2(r);
        add(chain.prt, {p + "_prt", "shift register " + std::to_string(r) + " select"});
        add(chain.miso, {p + "_miso", "shift register " + std::to_string(r) + " data"});
    }
    add(s.slv_port, {"slv_port", "sensor hub port"});
    const char* const stepper[] = {"stepper_pa", "stepper_pb", "stepper_pc", "stepper_pd"};
    for (std::size_t i = 0; i < s.stepper.size(); ++i)
        add(s.stepper[i], {stepper[i], std::string("stepper pin ") + char('A' + i)});
    if (s.led_ws2811)
        add(kWs2811Pin, {"led_ws2811", "WS2811 LED output"});
    if (s.led_max7219)
        add(kMax7219Pin, {"led_max7219", "MAX7219 LED output"});
    return uses;
}

void sharedPins(const ConfigState& s, std::vector<WiringWarning>& out) {
    for (const auto& [pin, uses] : pinUses(s)) {
        bool clash = false;
        for (std::size_t a = 0; a < uses.size() && !clash; ++a) {
            for (std::size_t b = a + 1; b < uses.size() && !clash; ++b)
                clash = !shareable(uses[a], uses[b]);
        }
        if (!clash)
            continue;
        WiringWarning w{WiringKind::SharedPin, "Pin " + pinName(pin) + " is used for ", {}};
        for (std::size_t i = 0; i < uses.size(); ++i) {
            if (i > 0)
                w.text += i + 1 == uses.size() ? " and " : ", ";
            w.text += uses[i].function + " (" + uses[i].control + ")";
            w.controls.push_back(uses[i].control);
        }
        out.push_back(std::move(w));
    }
}

void encoders(const ConfigState& s, std::vector<WiringWarning>& out) {
    for (int r = 1; r <= kEncoders; ++r) {
        const Encoder& e = s.enc[static_cast<std::size_t>(r - 1)];
        if (e.l > 0 && e.l == e.r) {
            const std::string p = "enc_" + num2(r);
            out.push_back({WiringKind::EncoderOneButton,
                           "Encoder #" + std::to_string(r) + ": both inputs are hardware button " +
                               std::to_string(e.l) + ", so it can never turn",
                           {p + "_l", p + "_r"}});
        }
    }
}

std::string rowName(int row) {
    static const char* const hat[] = {"Hat up", "Hat right", "Hat down", "Hat left"};
    return row <= kHatRows ? hat[row - 1] : "Button " + std::to_string(row - kHatRows);
}

std::string wiringSummary(int count) {
    if (count == 0)
        return "no button matrix or shift register is wired";
    return "the matrix and shift registers give hardware buttons 1-" + std::to_string(count);
}

void unreachableButtons(const ConfigState& s, std::vector<WiringWarning>& out) {
    const int wired = wiredButtonCount(s);
    // Inputs that come from elsewhere: encoders, and axes that press a
    // button within a range.
    std::set<int> other;
    for (const Encoder& e : s.enc) {
        other.insert(e.l);
        other.insert(e.r);
    }
    for (const AxisButtonRow& ab : s.ab) {
        if (detail::isSet(ab.a))
            other.insert(ab.b);
    }
    for (int row = 1; row < kGridRows; ++row) {
        const int hw = layout::hardwareByte(s.buttons.hw[static_cast<std::size_t>(row)]);
        if (hw == 0 || hw <= wired || other.contains(hw))
            continue;
        WiringWarning w{WiringKind::UnreachableButton,
                        rowName(row) + " is bound to hardware button " + std::to_string(hw) +
                            ", which nothing gives: " + wiringSummary(wired),
                        {"KnpGrid"}};
        w.gridRow = row;
        out.push_back(std::move(w));
    }
}

void descriptorSize(const ConfigState& s, std::vector<WiringWarning>& out) {
    DescriptorInput input = descriptorInput(s);
    const int n = static_cast<int>(generateDescriptor(input).bytes.size());
    if (n < kDescriptorWarnBytes || n > static_cast<int>(kMaxDescriptorBytes))
        return;
    WiringWarning w{WiringKind::DescriptorNearFull,
                    "The joystick descriptor takes " + std::to_string(n) + " of its " +
                        std::to_string(kMaxDescriptorBytes) + " bytes",
                    {}};
    // Each change of precision from one axis to the next repeats two items.
    if (!input.axes.empty()) {
        for (DescriptorAxis& axis : input.axes)
            axis.precision = input.axes.front().precision;
        const int same = static_cast<int>(generateDescriptor(input).bytes.size());
        if (same < n) {
            w.text += "; one precision for all axes would make it " + std::to_string(same);
        }
    }
    for (int a = 1; a <= kAxisCount; ++a) {
        if (detail::sourceCode(s.axes[static_cast<std::size_t>(a - 1)]) != 0)
            w.controls.push_back("osi_" + std::to_string(a) + "_prcsn");
    }
    out.push_back(std::move(w));
}

} // namespace

int wiredButtonCount(const ConfigState& s) {
    const auto wired = [](const std::array<int, kMatrixPins>& pins) {
        return static_cast<int>(std::count_if(pins.begin(), pins.end(), validPin));
    };
    int count = wired(s.hw_br) * wired(s.hw_bc);
    for (const ShiftChain& chain : s.sr) {
        if (detail::isSet(chain.len) && validPin(chain.prt) && validPin(chain.miso))
            count += 8 * std::max(chain.kol, 0);
    }
    return count;
}

std::vector<WiringWarning> wiringWarnings(const ConfigState& state) {
    std::vector<WiringWarning> out;
    sharedPins(state, out);
    encoders(state, out);
    unreachableButtons(state, out);
    descriptorSize(state, out);
    return out;
}

} // namespace volmar
