// volmar-sim: a virtual Volmar controller served as a HID device over a Unix
// socket, for the configurator, the viewer and volmarctl.

#include "SimProgram.h"

#include "volmar/sysio/CommandLine.h"
#include "volmar/sysio/Text.h"

#include <CLI/CLI.hpp>

#include <array>
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace {

using volmar::sim::ProgramOptions;

unsigned long parseNumber(std::string_view text, int base, unsigned long max, const char* what) {
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) {
        text.remove_prefix(2);
    }
    unsigned long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v > max) {
        throw CLI::ValidationError(std::string(what) + ": '" + volmar::sysio::shortened(text) +
                                   "' is not a number in 0.." + std::to_string(max) +
                                   (base == 16 ? " (hexadecimal)" : ""));
    }
    return v;
}

std::vector<std::string_view> splitFields(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto at = text.find(separator);
        fields.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(at + 1);
    }
}

// A comma list; an empty text is an empty list.
std::vector<std::string_view> splitList(std::string_view text) {
    return text.empty() ? std::vector<std::string_view>{} : splitFields(text, ',');
}

// "N=REST" with N = 1..8: the axis index (0-based) and REST. `form` is the
// shape the option expects, for the message.
std::pair<std::size_t, std::string_view> axisAndRest(std::string_view spec,
                                                     const std::string& option, const char* form) {
    const auto eq = spec.find('=');
    if (eq == std::string_view::npos) {
        throw CLI::ValidationError(option + ": '" + volmar::sysio::shortened(spec) + "' is not " +
                                   form);
    }
    const auto n = parseNumber(spec.substr(0, eq), 10, 8, (option + " axis").c_str());
    if (n == 0) {
        throw CLI::ValidationError(option + ": axes are numbered 1..8");
    }
    return {n - 1, spec.substr(eq + 1)};
}

// "N=VALUE[,PROCESSED]"
void applyAxis(ProgramOptions& o, const std::string& spec) {
    const char* form = "N=VALUE[,PROCESSED]";
    const auto [axis, rest] = axisAndRest(spec, "--axis", form);
    const auto values = splitList(rest);
    if (values.empty() || values.size() > 2) {
        throw CLI::ValidationError("--axis: '" + volmar::sysio::shortened(spec) + "' is not " +
                                   form);
    }
    o.board.axisRaw[axis] =
        static_cast<std::uint16_t>(parseNumber(values[0], 10, 65535, "--axis value"));
    if (values.size() == 2) {
        o.board.axisProcessed[axis] =
            static_cast<std::uint16_t>(parseNumber(values[1], 10, 65535, "--axis value"));
    }
}

// "N=COUNT"
void applyLinkErrors(ProgramOptions& o, const std::string& spec) {
    const auto [axis, rest] = axisAndRest(spec, "--link-errors", "N=COUNT");
    o.board.linkErrors[axis] =
        static_cast<std::uint8_t>(parseNumber(rest, 10, 255, "--link-errors count"));
}

// The option texts as typed; applyOptions() checks and converts them.
struct RawOptions {
    std::string eeprom;
    std::string log;
    std::string vid;
    std::string pid;
    std::string name;
    unsigned hardware = 1;
    std::vector<std::string> axes;
    std::string buttons;
    std::string debug;
    std::string uptime;
    std::vector<std::string> linkErrors;
    bool noHub = false;
    std::string hubId;
    long bootloaderReturn = -1;
    std::uint64_t unplugAfter = 0;
    unsigned replyDelay = 0;
    // Options whose presence matters, not only their value.
    CLI::Option* nameOption = nullptr;
    CLI::Option* buttonsOption = nullptr;
    CLI::Option* unplugOption = nullptr;
};

// The options table: every option with its help text, bound to `raw` (or,
// where no conversion is needed, straight to `o`).
void declareOptions(CLI::App& app, RawOptions& raw, ProgramOptions& o) {
    app.get_formatter()->column_width(36);
    app.set_version_flag("--version", std::string("volmar-sim ") + VOLMAR_VERSION);
    app.add_option("--id", o.id, "Socket file name (without .sock), so several sims can run")
        ->capture_default_str();
    app.add_option("--eeprom", raw.eeprom,
                   "EEPROM file (1024 bytes, or a 641-byte configuration image) to start from and "
                   "to save after every write end and clear; a missing file is a blank EEPROM, a "
                   "file of another size is refused");
    app.add_option("--log", raw.log,
                   "Frame log: one line per feature transfer, '<ms> SET|GET <hex bytes>': "
                   "milliseconds since the start with three decimals, then every byte of the "
                   "report as sent or returned (report id first) in upper-case hex");
    app.add_option("--vid", raw.vid, "Present this USB vendor id (hex) instead of the EEPROM's");
    app.add_option("--pid", raw.pid, "Present this USB product id (hex) instead of the EEPROM's");
    raw.nameOption =
        app.add_option("--name", raw.name, "Present this product name instead of the EEPROM's");
    app.add_option("--serial", o.identity.serial,
                   "Serial number string (the firmware version the configurator checks)")
        ->capture_default_str();
    app.add_option("--hardware", raw.hardware,
                   "Hardware type in the live data: 0 no data, 1 atmega32u4, 2 at90usb646, "
                   "3 at90usb1286")
        ->check(CLI::Range(0, 255))
        ->capture_default_str();
    app.add_option("--axis", raw.axes,
                   "N=RAW[,PROCESSED]: fix axis N (1-8) instead of animating it; repeatable")
        ->take_all();
    raw.buttonsOption = app.add_option(
        "--buttons", raw.buttons,
        "Hardware buttons held down, e.g. 3,17,40 ('' = none); default: the buttons bound in the "
        "configuration are pressed one after the other");
    app.add_option("--debug", raw.debug,
                   "A,B,C,D: fixed debug words; default: transfers, stepper position, last "
                   "command, blocks of the open write");
    app.add_option("--uptime", raw.uptime,
                   "H:M:S: fixed uptime fields of the live data, each 0-255; default: the time "
                   "since the start (hours mod 256, minutes, seconds)");
    app.add_option("--link-errors", raw.linkErrors,
                   "N=COUNT: link-error count of axis N; repeatable")
        ->take_all();
    app.add_flag("--no-hub", raw.noHub, "No sensor hub on the bus: its identity reads 0x00");
    app.add_option("--hub-id", raw.hubId,
                   "Identity byte (hex) the board on the hub's bus answers; AA is a TLE5011 hub");
    app.add_option("--bootloader-return-ms", raw.bootloaderReturn,
                   "After the bootloader command, come back as the firmware after this many ms "
                   "(default: never)")
        ->check(CLI::Range(0L, 3600L * 1000L));
    app.add_flag("--fail-get", o.faults.failGet, "Every feature get stalls (EPIPE)");
    app.add_flag("--fail-set", o.faults.failSet,
                 "Every feature set stalls (EPIPE) and is not carried out");
    raw.unplugOption = app.add_option("--unplug-after-frames", raw.unplugAfter,
                                      "Unplug for good after N feature transfers (sets and gets)")
                           ->check(CLI::Range(1ULL, 1ULL << 40));
    app.add_option("--reply-delay", raw.replyDelay, "Send every reply this many ms late")
        ->check(CLI::Range(0u, 60000u));
    app.add_flag("--garbage-replies", o.faults.garbageReplies,
                 "Feature gets return random bytes after the report id");
    app.add_option("--seed", o.faults.seed, "Seed of the random replies")->capture_default_str();
    app.add_option("--corrupt-eeprom-byte", o.faults.corruptEepromByte,
                   "Every write end stores the inverse of the byte written at this address "
                   "(0-671), as a worn EEPROM cell would")
        ->check(CLI::Range(0, 671));
}

// Checks the typed texts and puts them into `o`; CLI::ValidationError
// names the option that is wrong.
void applyOptions(const RawOptions& raw, ProgramOptions& o) {
    if (o.id.empty() || o.id.find('/') != std::string::npos || o.id.front() == '.') {
        throw CLI::ValidationError("--id: '" + volmar::sysio::shortened(o.id) +
                                   "' must be a plain file name (no '/', not starting with '.')");
    }
    if (!raw.eeprom.empty()) {
        o.eepromFile = raw.eeprom;
    }
    if (!raw.log.empty()) {
        o.logFile = raw.log;
    }
    if (!raw.vid.empty()) {
        o.identity.vendorId = static_cast<std::uint16_t>(parseNumber(raw.vid, 16, 0xFFFF, "--vid"));
    }
    if (!raw.pid.empty()) {
        o.identity.productId =
            static_cast<std::uint16_t>(parseNumber(raw.pid, 16, 0xFFFF, "--pid"));
    }
    if (raw.nameOption->count() > 0) {
        o.identity.product = raw.name;
    }
    o.board.hardwareType = static_cast<int>(raw.hardware);
    for (const auto& a : raw.axes) {
        applyAxis(o, a);
    }
    if (raw.buttonsOption->count() > 0) {
        std::vector<int> pressed;
        for (auto b : splitList(raw.buttons)) {
            const auto v = parseNumber(b, 10, 132, "--buttons");
            if (v == 0) {
                throw CLI::ValidationError("--buttons: buttons are numbered 1..132");
            }
            pressed.push_back(static_cast<int>(v));
        }
        o.board.pressedButtons = pressed;
    }
    if (!raw.debug.empty()) {
        const auto words = splitList(raw.debug);
        if (words.size() != 4) {
            throw CLI::ValidationError("--debug: give four words, A,B,C,D");
        }
        std::array<std::uint16_t, 4> w{};
        for (std::size_t i = 0; i < 4; ++i) {
            w[i] = static_cast<std::uint16_t>(parseNumber(words[i], 10, 65535, "--debug"));
        }
        o.board.debugWords = w;
    }
    if (!raw.uptime.empty()) {
        const auto fields = splitFields(raw.uptime, ':');
        if (fields.size() != 3) {
            throw CLI::ValidationError("--uptime: '" + volmar::sysio::shortened(raw.uptime) +
                                       "' is not H:M:S");
        }
        std::array<std::uint8_t, 3> u{};
        for (std::size_t i = 0; i < 3; ++i) {
            u[i] = static_cast<std::uint8_t>(parseNumber(fields[i], 10, 255, "--uptime"));
        }
        o.board.uptime = u;
    }
    for (const auto& l : raw.linkErrors) {
        applyLinkErrors(o, l);
    }
    o.hubPresent = !raw.noHub;
    if (!raw.hubId.empty()) {
        o.hubIdentity = static_cast<std::uint8_t>(parseNumber(raw.hubId, 16, 0xFF, "--hub-id"));
    }
    if (raw.bootloaderReturn >= 0) {
        o.bootloaderStay = std::chrono::milliseconds(raw.bootloaderReturn);
    }
    if (raw.unplugOption->count() > 0) {
        o.faults.unplugAfterFrames = raw.unplugAfter;
    }
    o.faults.replyDelay = std::chrono::milliseconds(raw.replyDelay);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"volmar-sim: a virtual Volmar controller. It appears as a HID device (a socket "
                 "in $XDG_RUNTIME_DIR/volmar/virtual) that the configurator, the viewer and "
                 "volmarctl use like the real board."};
    ProgramOptions options;
    RawOptions raw;
    declareOptions(app, raw, options);
    try {
        app.parse(argc, argv);
        applyOptions(raw, options);
    } catch (const CLI::ParseError& e) {
        return volmar::sysio::exitForParseError(
            app, e, "volmar-sim",
            "volmar-sim [--id ID] [--eeprom FILE] [--log FILE] [--vid HEX] [--pid HEX] ... "
            "(volmar-sim --help lists every option)");
    }
    return volmar::sim::runSimulator(options);
}
