#pragma once

// What volmarctl, volmar-sim and inspecta-probe do with a command line they
// cannot use. Include only where CLI11 is linked.

#include "volmar/sysio/Text.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string_view>

namespace volmar::sysio {

inline constexpr int kExitUsage = 2;

// Help and version print as CLI11 prints them (exit 0). Anything else is a
// usage error: one line saying what is wrong (an echoed value cut to a
// readable length), one line of usage, exit 2.
inline int exitForParseError(const CLI::App& app, const CLI::ParseError& e,
                             std::string_view program, std::string_view usage) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        return app.exit(e);
    }
    std::cerr << program << ": " << shortened(e.what(), 200) << '\n' << "usage: " << usage << '\n';
    return kExitUsage;
}

} // namespace volmar::sysio
