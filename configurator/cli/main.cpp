// volmarctl: the configurator's engine on the command line.

#include "OfflineCommands.h"

#if VOLMAR_CLI_DEVICE
#include "DeviceCommands.h"
#endif

#include "volmar/core/Protocol.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"volmarctl - read, check, compare and build Volmar controller configurations"};
    app.set_version_flag("--version", std::string("volmarctl ") + VOLMAR_VERSION + " (" +
                                          std::string(volmar::protocol::ConfiguratorVersion) + ")");
    app.require_subcommand(1);
    int exitCode = 0;
    volmar::cli::addOfflineCommands(app, exitCode);
#if VOLMAR_CLI_DEVICE
    addDeviceCommands(app, exitCode);
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
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
