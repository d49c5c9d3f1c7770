// volmar-sim: a virtual Volmar controller served as a HID device over a Unix
// socket, for the configurator, the viewer and volmarctl.

#include "SimProgram.h"

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
        throw CLI::ValidationError(std::string(what) + ": '" + std::string(text) +
                                   "' is not a number in 0.." + std::to_string(max) +
                                   (base == 16 ? " (hexadecimal)" : ""));
    }
    return v;
}

std::vector<std::string_view> splitList(std::string_view text) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const auto comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return parts;
}

// "N=REST" with N = 1..8: the axis index (0-based) and REST. `form` is the
// shape the option expects, for the message.
std::pair<std::size_t, std::string_view> axisAndRest(std::string_view spec,
                                                     const std::string& option, const char* form) {
    const auto eq = spec.find('=');
    if (eq == std::string_view::npos) {
        throw CLI::ValidationError(option + ": '" + std::string(spec) + "' is not " + form);
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
        throw CLI::ValidationError("--axis: '" + spec + "' is not " + form);
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

} // namespace

int main(int argc, char** argv) {
    ProgramOptions o;
    CLI::App app{"volmar-sim: a virtual Volmar controller. It appears as a HID device (a socket "
                 "in $XDG_RUNTIME_DIR/volmar/virtual) that the configurator, the viewer and "
                 "volmarctl use like the real board."};
    app.get_formatter()->column_width(36);

    app.add_option("--id", o.id, "Socket file name (without .sock), so several sims can run")
        ->capture_default_str();
    std::string eeprom;
    app.add_option("--eeprom", eeprom,
                   "EEPROM file (1024 bytes) to start from and to save after every write end and "
                   "clear; a missing file is a blank EEPROM");
    std::string log;
    app.add_option("--log", log,
                   "Frame log: one line per feature transfer, '<ms> SET|GET <hex bytes>': "
                   "milliseconds since the start with three decimals, then every byte of the "
                   "report as sent or returned (report id first) in upper-case hex");

    std::string vid, pid;
    app.add_option("--vid", vid, "Present this USB vendor id (hex) instead of the EEPROM's");
    app.add_option("--pid", pid, "Present this USB product id (hex) instead of the EEPROM's");
    std::string name;
    auto* nameOpt =
        app.add_option("--name", name, "Present this product name instead of the EEPROM's");
    app.add_option("--serial", o.identity.serial,
                   "Serial number string (the firmware version the configurator checks)")
        ->capture_default_str();

    unsigned hardware = 1;
    app.add_option("--hardware", hardware,
                   "Hardware type in the live data: 0 no data, 1 atmega32u4, 2 at90usb646, "
                   "3 at90usb1286")
        ->check(CLI::Range(0, 255))
        ->capture_default_str();
    std::vector<std::string> axes;
    app.add_option("--axis", axes,
                   "N=RAW[,PROCESSED]: fix axis N (1-8) instead of animating it; repeatable")
        ->take_all();
    std::string buttons;
    auto* buttonsOpt = app.add_option(
        "--buttons", buttons,
        "Hardware buttons held down, e.g. 3,17,40 ('' = none); default: the buttons bound in the "
        "configuration are pressed one after the other");
    std::string debug;
    app.add_option("--debug", debug,
                   "A,B,C,D: fixed debug words; default: transfers, stepper position, last "
                   "command, blocks of the open write");
    std::string uptime;
    app.add_option("--uptime", uptime,
                   "H:M:S: fixed uptime fields of the live data, each 0-255; default: the time "
                   "since the start (hours mod 256, minutes, seconds)");
    std::vector<std::string> linkErrors;
    app.add_option("--link-errors", linkErrors, "N=COUNT: link-error count of axis N; repeatable")
        ->take_all();
    bool noHub = false;
    app.add_flag("--no-hub", noHub, "No sensor hub on the bus: its identity reads 0x00");
    std::string hubId;
    app.add_option("--hub-id", hubId,
                   "Identity byte (hex) the board on the hub's bus answers; AA is a TLE5011 hub");
    long bootloaderReturn = -1;
    app.add_option("--bootloader-return-ms", bootloaderReturn,
                   "After the bootloader command, come back as the firmware after this many ms "
                   "(default: never)")
        ->check(CLI::Range(0L, 3600L * 1000L));

    app.add_flag("--fail-get", o.faults.failGet, "Every feature get stalls (EPIPE)");
    app.add_flag("--fail-set", o.faults.failSet,
                 "Every feature set stalls (EPIPE) and is not carried out");
    std::uint64_t unplugAfter = 0;
    auto* unplugOpt = app.add_option("--unplug-after-frames", unplugAfter,
                                     "Unplug for good after N feature transfers (sets and gets)")
                          ->check(CLI::Range(1ULL, 1ULL << 40));
    unsigned replyDelay = 0;
    app.add_option("--reply-delay", replyDelay, "Send every reply this many ms late")
        ->check(CLI::Range(0u, 60000u));
    app.add_flag("--garbage-replies", o.faults.garbageReplies,
                 "Feature gets return random bytes after the report id");
    app.add_option("--seed", o.faults.seed, "Seed of the random replies")->capture_default_str();
    app.add_option("--corrupt-eeprom-byte", o.faults.corruptEepromByte,
                   "Every write end stores the inverse of the byte written at this address "
                   "(0-671), as a worn EEPROM cell would")
        ->check(CLI::Range(0, 671));

    try {
        app.parse(argc, argv);
        if (o.id.empty() || o.id.find('/') != std::string::npos || o.id.front() == '.') {
            throw CLI::ValidationError(
                "--id: '" + o.id + "' must be a plain file name (no '/', not starting with '.')");
        }
        if (!eeprom.empty()) {
            o.eepromFile = eeprom;
        }
        if (!log.empty()) {
            o.logFile = log;
        }
        if (!vid.empty()) {
            o.identity.vendorId = static_cast<std::uint16_t>(parseNumber(vid, 16, 0xFFFF, "--vid"));
        }
        if (!pid.empty()) {
            o.identity.productId =
                static_cast<std::uint16_t>(parseNumber(pid, 16, 0xFFFF, "--pid"));
        }
        if (nameOpt->count() > 0) {
            o.identity.product = name;
        }
        o.board.hardwareType = static_cast<int>(hardware);
        for (const auto& a : axes) {
            applyAxis(o, a);
        }
        if (buttonsOpt->count() > 0) {
            std::vector<int> pressed;
            for (auto b : splitList(buttons)) {
                const auto v = parseNumber(b, 10, 132, "--buttons");
                if (v == 0) {
                    throw CLI::ValidationError("--buttons: buttons are numbered 1..132");
                }
                pressed.push_back(static_cast<int>(v));
            }
            o.board.pressedButtons = pressed;
        }
        if (!debug.empty()) {
            const auto words = splitList(debug);
            if (words.size() != 4) {
                throw CLI::ValidationError("--debug: give four words, A,B,C,D");
            }
            std::array<std::uint16_t, 4> w{};
            for (std::size_t i = 0; i < 4; ++i) {
                w[i] = static_cast<std::uint16_t>(parseNumber(words[i], 10, 65535, "--debug"));
            }
            o.board.debugWords = w;
        }
        if (!uptime.empty()) {
            std::vector<std::string_view> fields;
            for (std::string_view rest = uptime;;) {
                const auto colon = rest.find(':');
                fields.push_back(rest.substr(0, colon));
                if (colon == std::string_view::npos) {
                    break;
                }
                rest.remove_prefix(colon + 1);
            }
            if (fields.size() != 3) {
                throw CLI::ValidationError("--uptime: '" + uptime + "' is not H:M:S");
            }
            std::array<std::uint8_t, 3> u{};
            for (std::size_t i = 0; i < 3; ++i) {
                u[i] = static_cast<std::uint8_t>(parseNumber(fields[i], 10, 255, "--uptime"));
            }
            o.board.uptime = u;
        }
        for (const auto& l : linkErrors) {
            applyLinkErrors(o, l);
        }
        o.hubPresent = !noHub;
        if (!hubId.empty()) {
            o.hubIdentity = static_cast<std::uint8_t>(parseNumber(hubId, 16, 0xFF, "--hub-id"));
        }
        if (bootloaderReturn >= 0) {
            o.bootloaderStay = std::chrono::milliseconds(bootloaderReturn);
        }
        if (unplugOpt->count() > 0) {
            o.faults.unplugAfterFrames = unplugAfter;
        }
        o.faults.replyDelay = std::chrono::milliseconds(replyDelay);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return volmar::sim::runSimulator(o);
}
