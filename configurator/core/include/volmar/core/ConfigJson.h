#pragma once

// The JSON form of a configuration, as volmarctl reads and writes it: every
// image field under its control name (list -> index, -1 for none; edit ->
// string; check box -> bool; spin -> integer; led_color_init -> red +
// 256*green + 65536*blue), "buttons" with one {"hw","mode","shift","timer"}
// object per grid row 1..132, and the results of the last validation as
// "report" and "errors".

#include "volmar/core/ConfigState.h"
#include "volmar/sysio/Result.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace volmar {

inline constexpr const char* kJsonFormatKey = "format";
inline constexpr const char* kJsonFormat = "volmar-config";
inline constexpr const char* kJsonVersionKey = "version";
inline constexpr int kJsonVersion = 1;

nlohmann::ordered_json configToJson(const ConfigState& state);

// A value as an error message quotes it: JSON-quoted, cut to a readable
// length (a megabyte of product name is not echoed whole).
std::string quotedInMessage(std::string_view text);

// Sets the fields `json` names onto `state`; fields it does not name keep
// their value, "report" and "errors" are results and are not read back.
// "format" and "version" may be missing (older files); another format, or
// a version newer than kJsonVersion, is refused.
// Every value must be one the configuration image stores and reads back
// unchanged, so a file made from the JSON loads as the JSON says. A failure
// names the field; `state` is then left untouched.
//
// One exception keeps the encoder's own message reachable: a text that the
// strict number conversion rejects (an empty step of change, a two-character
// vendor id) is accepted here and stops the encoding instead.
Status applyConfigJson(const nlohmann::ordered_json& json, ConfigState& state);

// A button grid row as the grid names it: rows 1-4 "Hat Up", "Hat Right",
// "Hat Down", "Hat Left"; row r from 5 on "Button r-4".
std::string gridRowName(int row);

// The fields and button rows that differ, one line each:
// "osi_3_src: 2 -> 0", "dev_name: \"Pad\" -> \"Volmar2\"",
// "Button 1: hw 12 -> 0, mode 1 -> 0" (grid row 5).
std::vector<std::string> diffConfigs(const ConfigState& a, const ConfigState& b);

} // namespace volmar
