#include "volmar/core/ConfigJson.h"

#include "volmar/sysio/Text.h"

#include "volmar/core/ConfigFields.h"
#include "volmar/core/NumberConversion.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace volmar {

namespace {

using json = nlohmann::ordered_json;

constexpr int kButtonRows = kGridRows - 1; // grid rows 1..132
constexpr int kRowsWithModes = 36;         // the image keeps mode/shift/timer for rows 1..36

struct ColumnRange {
    const char* key;
    int max;
};
// Ranges of the four button map columns: what their image bits hold and the
// decoder hands back unchanged.
constexpr ColumnRange kColumns[] = {{"hw", 128}, {"mode", 6}, {"shift", 4}, {"timer", 3}};

int& column(ButtonMap& map, int col, std::size_t row) {
    switch (col) {
    case 0:
        return map.hw[row];
    case 1:
        return map.mode[row];
    case 2:
        return map.shift[row];
    default:
        return map.timer[row];
    }
}

int column(const ButtonMap& map, int col, std::size_t row) {
    return column(const_cast<ButtonMap&>(map), col, row);
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// How the image stores an edit's text, and so which texts read back as they
// were written.
enum class EditStore { StrictByte, LenientByte, LenientWord, UsbId, UsbName, Other };

EditStore editStore(std::string_view name) {
    if (endsWith(name, "_ms_step") || endsWith(name, "_zm_del") || endsWith(name, "_zm_spd"))
        return EditStore::StrictByte;
    if (endsWith(name, "_acal_min") || endsWith(name, "_acal_cen") || endsWith(name, "_acal_max"))
        return EditStore::LenientWord;
    if (name == "slv_cnfg" ||
        (name.starts_with("ab_") && (endsWith(name, "_l") || endsWith(name, "_h"))))
        return EditStore::LenientByte;
    if (name == "dev_vid" || name == "dev_pid")
        return EditStore::UsbId;
    if (name == "dev_name")
        return EditStore::UsbName;
    return EditStore::Other;
}

bool isCanonicalDecimal(const std::string& text, long max) {
    const IntConversion c = strToInt(text);
    return c.ok() && c.value >= 0 && c.value <= max && std::to_string(c.value) == text;
}

// Empty when the text is one the image keeps; otherwise the complaint.
std::string checkEditText(std::string_view name, const std::string& text) {
    switch (editStore(name)) {
    case EditStore::StrictByte:
        // Text the strict conversion refuses is left to the encoder, which
        // stops with the conversion message and writes nothing.
        if (!strToInt(text).ok() || isCanonicalDecimal(text, 255))
            return {};
        return "must be a decimal number 0..255 without sign or leading zeros";
    case EditStore::LenientByte:
        return isCanonicalDecimal(text, 255)
                   ? std::string()
                   : "must be a decimal number 0..255 without sign or leading zeros";
    case EditStore::LenientWord:
        return isCanonicalDecimal(text, 65535)
                   ? std::string()
                   : "must be a decimal number 0..65535 without sign or leading zeros";
    case EditStore::UsbId: {
        const UsbIdConversion c = usbIdFromText(text);
        if (!c.ok() || usbIdToText(c.low, c.high) == text)
            return {};
        return "must be four hexadecimal digits 0-9, A-F";
    }
    case EditStore::UsbName:
        if (usbNameText(usbNameBytes(text)) == text)
            return {};
        return "must be at most 20 characters, each U+0001..U+00FF";
    case EditStore::Other:
        break;
    }
    // An edit this file does not know how the image stores: refuse rather
    // than risk a file that loads differently.
    return "cannot be set from JSON (unknown storage)";
}

const char* typeName(const json& v) {
    return v.type_name();
}

// JSON integers only (no fractions, no booleans); huge values clamp so the
// range check reports them.
std::optional<long long> readInt(const json& v) {
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        return u > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())
                   ? std::numeric_limits<long long>::max()
                   : static_cast<long long>(u);
    }
    if (v.is_number_integer())
        return v.get<std::int64_t>();
    return std::nullopt;
}

std::string jsonQuoted(const std::string& text) {
    return json(text).dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

std::string quotedInMessage(std::string_view text) {
    return jsonQuoted(sysio::shortened(text));
}

namespace {

Error fail(const std::string& field, const std::string& message) {
    return Error{0, field + ": " + message};
}

Status applyField(const FieldDef& f, const json& v, ConfigState& s) {
    FieldRef ref = f.get(s);
    switch (f.kind) {
    case FieldKind::List:
    case FieldKind::Spin:
    case FieldKind::Colour: {
        const auto n = readInt(v);
        if (!n)
            return fail(f.name, std::string("expected an integer, got ") + typeName(v));
        const long long lo = f.kind == FieldKind::List ? kNoEntry : f.min;
        const long long hi = f.kind == FieldKind::List ? f.entries - 1 : f.max;
        if (*n < lo || *n > hi) {
            return fail(f.name, std::to_string(*n) + " is outside " + std::to_string(lo) + ".." +
                                    std::to_string(hi));
        }
        if (f.kind == FieldKind::Colour)
            *std::get<std::uint32_t*>(ref) = static_cast<std::uint32_t>(*n);
        else
            *std::get<int*>(ref) = static_cast<int>(*n);
        return {};
    }
    case FieldKind::Check:
        if (!v.is_boolean())
            return fail(f.name, std::string("expected true or false, got ") + typeName(v));
        *std::get<bool*>(ref) = v.get<bool>();
        return {};
    case FieldKind::Edit: {
        if (!v.is_string())
            return fail(f.name, std::string("expected a string, got ") + typeName(v));
        const std::string text = v.get<std::string>();
        const std::string complaint = checkEditText(f.name, text);
        if (!complaint.empty())
            return fail(f.name, quotedInMessage(text) + " " + complaint);
        *std::get<std::string*>(ref) = text;
        return {};
    }
    }
    return fail(f.name, "unsupported field kind");
}

Status applyButtons(const json& rows, ButtonMap& map) {
    if (!rows.is_array())
        return fail("buttons", std::string("expected an array, got ") + typeName(rows));
    if (rows.size() > static_cast<std::size_t>(kButtonRows)) {
        return fail("buttons",
                    std::to_string(rows.size()) + " rows, at most " + std::to_string(kButtonRows));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t row = i + 1;
        const std::string where = "buttons row " + std::to_string(row);
        const json& r = rows[i];
        if (!r.is_object())
            return fail(where, std::string("expected an object, got ") + typeName(r));
        for (const auto& [key, value] : r.items()) {
            int col = -1;
            for (int c = 0; c < 4; ++c) {
                if (key == kColumns[c].key)
                    col = c;
            }
            if (col < 0)
                return fail(where, "unknown key " + quotedInMessage(key));
            const auto n = readInt(value);
            if (!n) {
                return fail(where + " " + key,
                            std::string("expected an integer, got ") + typeName(value));
            }
            const int max = (col > 0 && row > kRowsWithModes) ? 0 : kColumns[col].max;
            if (*n < 0 || *n > max) {
                std::string message = std::to_string(*n) + " is outside 0.." + std::to_string(max);
                if (max == 0)
                    message += " (rows 37..132 keep no mode, shift or timer)";
                return fail(where + " " + key, message);
            }
            column(map, col, row) = static_cast<int>(*n);
        }
    }
    return {};
}

// The two keys that say what the file is. Files written before they existed
// have neither and read as version 1.
Status checkFormat(const json& input) {
    if (const auto format = input.find(kJsonFormatKey); format != input.end()) {
        if (!format->is_string() || format->get<std::string>() != kJsonFormat) {
            const std::string given = format->is_string()
                                          ? quotedInMessage(format->get<std::string>())
                                          : sysio::shortened(format->dump(
                                                -1, ' ', false, json::error_handler_t::replace));
            return fail(kJsonFormatKey, given + " is not a Volmar configuration (expected \"" +
                                            kJsonFormat + "\")");
        }
    }
    if (const auto version = input.find(kJsonVersionKey); version != input.end()) {
        const auto n = readInt(*version);
        if (!n || *n < 1)
            return fail(kJsonVersionKey, "expected a version number 1 or higher");
        if (*n > kJsonVersion) {
            return fail(kJsonVersionKey, "this configuration is format version " +
                                             std::to_string(*n) + ", newer than the version " +
                                             std::to_string(kJsonVersion) +
                                             " this program reads; use a newer volmarctl");
        }
    }
    return {};
}

std::string showValue(const FieldDef& f, const ConfigState& s) {
    const FieldRef ref = f.get(s);
    switch (f.kind) {
    case FieldKind::Check:
        return *std::get<bool*>(ref) ? "true" : "false";
    case FieldKind::Edit:
        return jsonQuoted(*std::get<std::string*>(ref));
    case FieldKind::Colour:
        return std::to_string(*std::get<std::uint32_t*>(ref));
    case FieldKind::List:
    case FieldKind::Spin:
        break;
    }
    return std::to_string(*std::get<int*>(ref));
}

} // namespace

json configToJson(const ConfigState& state) {
    json out = json::object();
    out[kJsonFormatKey] = kJsonFormat;
    out[kJsonVersionKey] = kJsonVersion;
    for (const FieldDef& f : configFields()) {
        const FieldRef ref = f.get(state);
        switch (f.kind) {
        case FieldKind::List:
        case FieldKind::Spin:
            out[f.name] = *std::get<int*>(ref);
            break;
        case FieldKind::Edit:
            out[f.name] = *std::get<std::string*>(ref);
            break;
        case FieldKind::Check:
            out[f.name] = *std::get<bool*>(ref);
            break;
        case FieldKind::Colour:
            out[f.name] = *std::get<std::uint32_t*>(ref);
            break;
        }
    }
    json rows = json::array();
    for (std::size_t row = 1; row <= static_cast<std::size_t>(kButtonRows); ++row) {
        json r = json::object();
        for (int c = 0; c < 4; ++c)
            r[kColumns[c].key] = column(state.buttons, c, row);
        rows.push_back(std::move(r));
    }
    out["buttons"] = std::move(rows);
    out["report"] = state.chk_report_info;
    out["errors"] = state.ConfigHasErrors;
    return out;
}

Status applyConfigJson(const json& input, ConfigState& state) {
    if (!input.is_object()) {
        return Error{0, std::string("expected a JSON object, got ") + typeName(input)};
    }
    if (Status format = checkFormat(input); !format)
        return format;
    ConfigState next = state;
    for (const auto& [key, value] : input.items()) {
        if (key == kJsonFormatKey || key == kJsonVersionKey)
            continue;
        if (key == "buttons") {
            if (Status applied = applyButtons(value, next.buttons); !applied)
                return applied;
            continue;
        }
        // Results of a validation: what the next validation will recompute.
        if (key == "report" || key == "errors")
            continue;
        const FieldDef* f = findField(key);
        if (!f)
            return Error{0, "unknown field " + quotedInMessage(key)};
        if (Status applied = applyField(*f, value, next); !applied)
            return applied;
    }
    state = std::move(next);
    return {};
}

std::string gridRowName(int row) {
    static const char* const kHat[] = {"Hat Up", "Hat Right", "Hat Down", "Hat Left"};
    if (row >= 1 && row <= kHatRows)
        return kHat[row - 1];
    return "Button " + std::to_string(row - kHatRows);
}

std::vector<std::string> diffConfigs(const ConfigState& a, const ConfigState& b) {
    std::vector<std::string> lines;
    for (const FieldDef& f : configFields()) {
        const std::string va = showValue(f, a);
        const std::string vb = showValue(f, b);
        if (va != vb)
            lines.push_back(f.name + ": " + va + " -> " + vb);
    }
    for (std::size_t row = 1; row <= static_cast<std::size_t>(kButtonRows); ++row) {
        std::string changes;
        for (int c = 0; c < 4; ++c) {
            const int va = column(a.buttons, c, row);
            const int vb = column(b.buttons, c, row);
            if (va == vb)
                continue;
            if (!changes.empty())
                changes += ", ";
            changes += std::string(kColumns[c].key) + " " + std::to_string(va) + " -> " +
                       std::to_string(vb);
        }
        if (!changes.empty())
            lines.push_back(gridRowName(static_cast<int>(row)) + ": " + changes);
    }
    return lines;
}

} // namespace volmar
