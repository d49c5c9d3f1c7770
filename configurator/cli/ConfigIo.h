#pragma once

// Reading the files volmarctl works on: configuration files (the 1024-byte
// image) and their JSON form. Every failure becomes one line naming the
// file; nothing here prints.

#include "volmar/core/ConfigState.h"
#include "volmar/sysio/Result.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace volmar::cli {

enum class FileKind { Image, Json };

// ".json" (any case) is the JSON form; everything else is a configuration file.
FileKind fileKind(const std::string& path);

// A duplicate key anywhere in the file is an error naming the key: which of
// the two values counts would be a guess.
Result<nlohmann::ordered_json> readJsonFile(const std::string& path);

// What "Clear sets" leaves in a freshly started editor.
ConfigState clearedState();

// A configuration as the editor shows it after loading a file, with the
// message boxes it would show while loading (an encoder set up by halves)
// and notes about the file itself (bytes beyond the image that are not used).
struct LoadedState {
    ConfigState state;
    std::vector<std::string> boxes;
    std::vector<std::string> notes;
};

// The state after loading a configuration file: defaults, fields, axis rules
// and validation.
Result<LoadedState> loadImageState(const std::string& path);

// The cleared state with the fields the JSON names; no rules, no validation.
Result<ConfigState> loadJsonState(const std::string& path);

// loadImageState or loadJsonState, by the file's kind.
Result<LoadedState> loadState(const std::string& path);

} // namespace volmar::cli
