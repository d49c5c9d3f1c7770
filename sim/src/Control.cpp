#include "volmar/sim/Control.h"

#include <charconv>
#include <optional>
#include <vector>

namespace volmar::sim {

namespace {

constexpr const char* kUsage =
    "axis N RAW[,PROCESSED] | axis N auto | buttons LIST|none|auto | hardware T | "
    "input on|off|COUNT";

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r')) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r') {
            ++at;
        }
        if (at > start) {
            out.push_back(line.substr(start, at - start));
        }
    }
    return out;
}

std::optional<unsigned> number(std::string_view text, unsigned min, unsigned max) {
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < min ||
        v > max) {
        return std::nullopt;
    }
    return v;
}

std::vector<std::string_view> commaList(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(comma + 1);
    }
}

CommandResult refused(std::string why) {
    return {false, false, std::move(why)};
}

CommandResult done(std::string what) {
    return {true, false, std::move(what)};
}

CommandResult axisCommand(const std::vector<std::string_view>& w, BoardSettings& board) {
    const auto axis = w.size() == 3 ? number(w[1], 1, 8) : std::nullopt;
    if (!axis) {
        return refused("give an axis 1-8 and a value: axis N RAW[,PROCESSED] or axis N auto");
    }
    const std::size_t i = *axis - 1;
    if (w[2] == "auto") {
        board.axisRaw[i].reset();
        board.axisProcessed[i].reset();
        return done("axis " + std::to_string(*axis) + " moves on its own");
    }
    const auto values = commaList(w[2]);
    const auto raw = number(values[0], 0, 65535);
    const auto processed =
        values.size() == 2 ? number(values[1], 0, 65535) : std::optional<unsigned>(0);
    if (values.size() > 2 || !raw || !processed) {
        return refused("'" + std::string(w[2]) + "' is not RAW[,PROCESSED], each 0-65535");
    }
    board.axisRaw[i] = static_cast<std::uint16_t>(*raw);
    if (values.size() == 2) {
        board.axisProcessed[i] = static_cast<std::uint16_t>(*processed);
    } else {
        board.axisProcessed[i].reset(); // follows the raw value
    }
    return done("axis " + std::to_string(*axis) + " " + std::string(w[2]));
}

CommandResult buttonsCommand(const std::vector<std::string_view>& w, BoardSettings& board) {
    if (w.size() != 2) {
        return refused("give buttons 1-132 as a comma list, none or auto");
    }
    if (w[1] == "auto") {
        board.pressedButtons.reset();
        return done("buttons auto");
    }
    std::vector<int> pressed;
    if (w[1] != "none") {
        for (const auto part : commaList(w[1])) {
            const auto b = number(part, 1, kHardwareButtons);
            if (!b) {
                return refused("'" + std::string(part) + "' is not a button 1-132");
            }
            pressed.push_back(static_cast<int>(*b));
        }
    }
    board.pressedButtons = pressed;
    return done("buttons " + std::string(w[1]));
}

CommandResult inputCommand(const std::vector<std::string_view>& w, InputControl& input) {
    if (w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        input.periodic = w[1] == "on";
        return done("input " + std::string(w[1]));
    }
    const auto count = w.size() == 2 ? number(w[1], 1, kMaxInputBurst) : std::nullopt;
    if (!count) {
        return refused("give input on, input off or a count 1-" + std::to_string(kMaxInputBurst));
    }
    input.burst += static_cast<int>(*count);
    return done("input " + std::to_string(*count));
}

} // namespace

CommandResult applyCommand(std::string_view line, BoardSettings& board, InputControl& input) {
    const auto w = words(line);
    if (w.empty() || w[0].starts_with('#')) {
        return {true, true, {}};
    }
    if (w[0] == "axis") {
        return axisCommand(w, board);
    }
    if (w[0] == "buttons") {
        return buttonsCommand(w, board);
    }
    if (w[0] == "input") {
        return inputCommand(w, input);
    }
    if (w[0] == "hardware") {
        const auto type = w.size() == 2 ? number(w[1], 0, 255) : std::nullopt;
        if (!type) {
            return refused("give a hardware type 0-255");
        }
        board.hardwareType = static_cast<int>(*type);
        return done("hardware " + std::to_string(*type));
    }
    return refused("'" + std::string(w[0].substr(0, 40)) + "' is not a command (" + kUsage + ")");
}

} // namespace volmar::sim
