// volmarctl: the configurator's engine on the command line.

#include "OfflineCommands.h"

#if VOLMAR_CLI_DEVICE
#include "DeviceCommands.h"
#endif

#include "volmar/core/Protocol.h"
#include "volmar/sysio/CommandLine.h"
#include "volmar/sysio/DeviceLock.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <map>
#include <string>

namespace {

// The one-line usage shown with a usage error, by command.
std::string usageOf(const CLI::App& app) {
    static const std::map<std::string, std::string> kUsage = {
        {"export", "volmarctl export FILE.volmar"},
        {"import", "volmarctl import FILE.json -o OUT.volmar|- [--check]"},
        {"check", "volmarctl check FILE.volmar|FILE.json"},
        {"diff", "volmarctl diff A B"},
        {"list", "volmarctl list [--virtual]"},
        {"read", "volmarctl read --device VVVV:PPPP -o FILE.volmar|- [--virtual]"},
        {"write", "volmarctl write --device VVVV:PPPP FILE.volmar|FILE.json [--virtual]"},
        {"restart", "volmarctl restart --device VVVV:PPPP [--virtual]"},
        {"clear", "volmarctl clear --device VVVV:PPPP [--virtual]"},
        {"bootloader", "volmarctl bootloader --device VVVV:PPPP [--virtual]"},
        {"live", "volmarctl live --device VVVV:PPPP [--count N] [--virtual]"},
    };
    for (const CLI::App* command : app.get_subcommands()) {
        if (const auto it = kUsage.find(command->get_name()); it != kUsage.end()) {
            return it->second + " (volmarctl " + it->first + " --help says more)";
        }
    }
    return "volmarctl COMMAND [OPTIONS] (volmarctl --help lists the commands)";
}

bool isCommand(CLI::App& app, const std::string& word) {
    return !app.get_subcommands([&word](CLI::App* c) { return c->check_name(word); }).empty();
}

} // namespace

int main(int argc, char** argv) {
    // How a program kept off a controller this one holds will name it.
    volmar::sysio::setProgramName("volmarctl");
    CLI::App app{"volmarctl - read, check, compare and build Volmar controller configurations"};
    app.set_version_flag("--version", std::string("volmarctl ") + VOLMAR_VERSION + " (" +
                                          std::string(volmar::protocol::ConfiguratorVersion) + ")");
    app.require_subcommand(1);
    int exitCode = 0;
    volmar::cli::addOfflineCommands(app, exitCode);
#if VOLMAR_CLI_DEVICE
    addDeviceCommands(app, exitCode);
#endif
    // CLI11 takes an unknown first word for a stray argument and only says a
    // command is missing; name the word instead.
    if (argc > 1 && argv[1][0] != '-' && !isCommand(app, argv[1])) {
        std::cerr << "volmarctl: unknown command \"" << volmar::sysio::shortened(argv[1], 200)
                  << "\"\nusage: " << usageOf(app) << '\n';
        return volmar::sysio::kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return volmar::sysio::exitForParseError(app, e, "volmarctl", usageOf(app));
    } catch (const std::exception& e) {
        std::cerr << "volmarctl: " << e.what() << '\n';
        return volmar::cli::kExitBadInput;
    }
    // A full disk or closed stream must not pass for a printed result.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "volmarctl: cannot write to standard output\n";
        return volmar::cli::kExitBadInput;
    }
    return exitCode;
}
