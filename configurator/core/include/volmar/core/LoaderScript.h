#pragma once

// The firmware upload's script: which loader folder and template a
// bootloader type uses, and how a template becomes the script that runs.
//
// A template's first two lines are kept (a missing second line gives an
// empty one, lines after the second are dropped). In each, the placeholders
// "$CHIP$", "$FILE$", "$PORT$" and "$PATH$" are replaced in that order,
// wherever they occur and without regard to letter case. Every value goes in
// quoted for the shell, so a file or port name with blanks, quotes, ';' or
// "$( )" reaches the loader as one argument and is never run; a value is
// never searched for placeholders itself. Templates therefore write
// placeholders bare, not inside quotes of their own.

#include <optional>
#include <string>
#include <string_view>

namespace volmar::loader {

// The generated script, in the loader folder (or a per-user folder when the
// loader folder cannot take it).
inline constexpr std::string_view kScriptName = "DarOzazoz_temp.sh";

// Entries of the bootloader list.
enum Entry : int { None = 0, AtmelFlip = 1, Arduino = 2, Teensy2 = 3 };

struct Loader {
    std::string folder;       // program folder + "DarOzazoz_arduino/"
    std::string templateFile; // folder + "arduino.sh"
    bool operator==(const Loader&) const = default;
};

// The loader of list entry `entry` below `programFolder` (a trailing '/' is
// added when missing); nothing for "--" or any other entry.
std::optional<Loader> loaderFor(int entry, std::string_view programFolder);

struct Values {
    std::string chip; // "$CHIP$": the chip list's text
    std::string file; // "$FILE$": the firmware file
    std::string port; // "$PORT$": the port field
    std::string path; // "$PATH$": the loader folder, with its trailing '/'
};

// One word for a POSIX shell that stands for exactly `value`: single quotes
// around it, each quote inside written as '\''. An empty value gives ''.
std::string shellQuote(std::string_view value);

// One template line with its placeholders replaced.
std::string fillLine(std::string_view line, const Values& values);

// The script made of the template's first two lines, each ended by "\n"
// (a CR before a line's LF is dropped, so templates with CR LF ends work).
std::string fillTemplate(std::string_view templateText, const Values& values);

} // namespace volmar::loader
