#pragma once

// Configuration files: a .volmar file is the 1024-byte image exactly, with
// no header; saving also writes "<file>_HID_txt", the descriptor listing of
// 1000 CR LF ended lines, beside it.

#include "volmar/core/ImageCodec.h"
#include "volmar/core/Rules.h"
#include "volmar/sysio/Result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace volmar {

struct TRecordLng;

// The companion listing's name: the whole file name with "_HID_txt" after it.
std::filesystem::path descriptorTextPath(const std::filesystem::path& configFile);

// Reads the first 1024 bytes of a file. Fails, naming the file and the
// reason, when it cannot be opened or holds fewer bytes.
Result<ConfigImage> readConfigImage(const std::filesystem::path& file);

// Every save of a configuration goes through here (the window's, volmarctl's):
// the image and its listing are both written in full before either file is
// replaced, so a failed save leaves both files as they were. A target that
// is not a regular file is refused, a link is followed (it stays a link), a
// file whose folder is read-only or that has other hard links is rewritten
// in place. A failure reads "Error write file "<file>" [<reason>]".
Status writeConfigFiles(const std::filesystem::path& file, const ConfigImage& image,
                        const DescriptorLog& log);

// Any other file the programs save (settings, loader scripts) goes the same
// way, alone: written whole or left as it was, with the same failure text.
Status writeTextFile(const std::filesystem::path& file, std::string_view text);

// Loading as the window does it: read the image, then decode it (defaults,
// fields, axis rules, validation). On a read error the state is untouched.
struct LoadOutcome {
    std::string error; // the message for the error box, empty on success
    ConfigImage image{};
    RulesOutcome rules; // only meaningful on success

    bool ok() const { return error.empty(); }
};
LoadOutcome loadConfigFile(const std::filesystem::path& file, ConfigState& state,
                           const TRecordLng& lng, bool connected);

// Saving as the window does it: validation, the encoder, then both files. An
// invalid configuration is saved all the same; its report line comes back
// in `reportBox` for the window to show first. A conversion error stops the
// save before anything is written.
struct SaveOutcome {
    std::string error;                    // conversion or file error; empty on success
    std::optional<std::string> reportBox; // report line of an invalid configuration
    RunOutcome validation;                // message boxes of validation and region checks
    ConfigImage image{};
    DescriptorLog log;

    bool ok() const { return error.empty(); }
};
SaveOutcome saveConfigFile(const std::filesystem::path& file, ConfigState& state,
                           const TRecordLng& lng, bool connected);

} // namespace volmar
