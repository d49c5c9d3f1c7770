#pragma once

// Reading the files volmarctl works on: configuration files (the 1024-byte
// image) and their JSON form. Every failure becomes one line naming the
// file; nothing here prints.

#include "volmar/core/ConfigState.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace volmar::cli {

enum class FileKind { Image, Json };

// ".json" (any case) is the JSON form; everything else is a configuration file.
FileKind fileKind(const std::string& path);

bool readJsonFile(const std::string& path, nlohmann::ordered_json& json, std::string& error);

// What "Clear sets" leaves in a freshly started editor.
ConfigState clearedState();

// The state the editor shows after loading the file: defaults, fields, axis
// rules and validation. `boxes`, when given, receives the message boxes the
// editor would show while loading (an encoder set up by halves).
bool loadImageState(const std::string& path, ConfigState& state, std::string& error,
                    std::vector<std::string>* boxes = nullptr);

// The cleared state with the fields the JSON names; no rules, no validation.
bool loadJsonState(const std::string& path, ConfigState& state, std::string& error);

// loadImageState or loadJsonState, by the file's kind.
bool loadState(const std::string& path, ConfigState& state, std::string& error,
               std::vector<std::string>* boxes = nullptr);

} // namespace volmar::cli
