#pragma once

// volmarctl's offline commands: the configuration engine on files, no
// controller needed. Each command is a function of its arguments and two
// streams and returns the process exit status, so tests call them directly.

#include "volmar/core/ImageCodec.h"

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

namespace volmar::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFindings = 1; // check: errors found; diff: files differ
inline constexpr int kExitBadInput = 2; // unreadable, malformed or refused input; usage errors

// "-o -": the image goes to standard output, no listing is written.
inline constexpr const char* kStandardOutput = "-";

// Writes the 1024 bytes of `image` to a stream (standard output for "-o -").
bool writeImageTo(std::ostream& out, const ConfigImage& image);

// Prints the JSON form of a configuration file as the editor would load it.
int exportCommand(const std::string& file, std::ostream& out, std::ostream& err);

// Builds a configuration file (and its listing) from the JSON form.
// `check` validates first, as saving does, and prints the report line;
// kExitFindings when the configuration has errors (the file is written).
int importCommand(const std::string& jsonFile, const std::string& outFile, bool check,
                  std::ostream& out, std::ostream& err);

// Prints the report line; kExitFindings when the configuration has errors.
// `lint` adds one "warning: ..." line per wiring warning after it; warnings
// never change the exit status.
int checkCommand(const std::string& file, bool lint, std::ostream& out, std::ostream& err);

// Prints the fields and button rows that differ; kExitFindings when any do.
int diffCommand(const std::string& a, const std::string& b, std::ostream& out, std::ostream& err);

// Lists the configurations kept before each write to a controller, newest
// first: a line with time, VID:PID, product and the report line, then the
// file indented on the next. Empty `folder`: the user's backup folder.
int backupsCommand(const std::string& folder, std::ostream& out, std::ostream& err);

// Registers export, import, check, diff and backups on `app`; the command that runs
// stores its status in `exitCode`.
void addOfflineCommands(CLI::App& app, int& exitCode);

} // namespace volmar::cli
