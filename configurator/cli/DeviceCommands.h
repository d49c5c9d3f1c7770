#pragma once

// The commands that talk to a connected controller. They live in their own
// file because they need the device link (and with it QtCore), which the
// offline commands do without; main adds them only when they were built.

#include <CLI/CLI.hpp>

// Registers the device commands on `app`; a command that runs stores its
// exit status in `exitCode`.
void addDeviceCommands(CLI::App& app, int& exitCode);
