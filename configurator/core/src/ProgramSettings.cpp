#include "volmar/core/ProgramSettings.h"

#include "volmar/core/NumberConversion.h"

#include <optional>
#include <variant>
#include <vector>

namespace volmar {

namespace {

using Member =
    std::variant<std::string ProgramSettings::*, bool ProgramSettings::*, int ProgramSettings::*>;

struct Key {
    std::string_view section;
    std::string_view name;
    Member member;
};

// Every key in the order it is written.
const Key kKeys[] = {
    {"Main", "Translate", &ProgramSettings::Translate},
    {"Main", "Debug", &ProgramSettings::Debug},
    {"Main", "PositionX", &ProgramSettings::PositionX},
    {"Main", "PositionY", &ProgramSettings::PositionY},
    {"Main", "AutoBindButtons", &ProgramSettings::AutoBindButtons},
    {"Firmware", "File", &ProgramSettings::File},
    {"Firmware", "MCU", &ProgramSettings::MCU},
    {"Firmware", "BootLoader", &ProgramSettings::BootLoader},
    {"Firmware", "ArduinoPort", &ProgramSettings::ArduinoPort},
};

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The file as lines, with where each section starts and which key a line sets.
class IniLines {
public:
    explicit IniLines(std::string_view text) {
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            m_lines.emplace_back(text.substr(0, end));
            // Every CR at the end: one kept would be dropped by the next
            // save, so saving twice would not give the same file.
            while (m_lines.back().ends_with('\r'))
                m_lines.back().pop_back();
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        }
    }

    std::optional<std::string> value(std::string_view section, std::string_view key) const {
        if (const auto line = find(section, key))
            return std::string(trim(valueOf(m_lines[*line])));
        return std::nullopt;
    }

    void set(std::string_view section, std::string_view key, const std::string& value) {
        const std::string line = std::string(key) + "=" + value;
        if (const auto at = find(section, key)) {
            m_lines[*at] = line;
            return;
        }
        const auto start = sectionStart(section);
        if (!start) {
            if (!m_lines.empty() && !trim(m_lines.back()).empty())
                m_lines.emplace_back();
            m_lines.push_back("[" + std::string(section) + "]");
            m_lines.push_back(line);
            return;
        }
        // After the section's last non-blank line.
        std::size_t insert = *start + 1;
        for (std::size_t i = *start + 1; i < m_lines.size() && !sectionName(m_lines[i]); ++i) {
            if (!trim(m_lines[i]).empty())
                insert = i + 1;
        }
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), line);
    }

    std::string text() const {
        std::string out;
        for (const auto& line : m_lines)
            out += line + "\n";
        return out;
    }

private:
    static std::optional<std::string_view> sectionName(std::string_view line) {
        line = trim(line);
        const std::size_t close = line.find(']');
        if (!line.starts_with('[') || close == std::string_view::npos)
            return std::nullopt;
        return trim(line.substr(1, close - 1));
    }
    static std::optional<std::string_view> keyOf(std::string_view line) {
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || trim(line).starts_with(';'))
            return std::nullopt;
        return trim(line.substr(0, eq));
    }
    static std::string_view valueOf(std::string_view line) {
        return line.substr(line.find('=') + 1);
    }

    std::optional<std::size_t> sectionStart(std::string_view section) const {
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const auto name = sectionName(m_lines[i]);
            if (name && sameName(*name, section))
                return i;
        }
        return std::nullopt;
    }
    std::optional<std::size_t> find(std::string_view section, std::string_view key) const {
        const auto start = sectionStart(section);
        if (!start)
            return std::nullopt;
        for (std::size_t i = *start + 1; i < m_lines.size() && !sectionName(m_lines[i]); ++i) {
            const auto name = keyOf(m_lines[i]);
            if (name && sameName(*name, key))
                return i;
        }
        return std::nullopt;
    }

    std::vector<std::string> m_lines;
};

std::string oneLine(std::string value) {
    for (char& c : value) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return value;
}

} // namespace

ProgramSettings parseProgramSettings(std::string_view iniText) {
    const IniLines ini(iniText);
    ProgramSettings settings;
    for (const Key& key : kKeys) {
        const auto text = ini.value(key.section, key.name);
        if (!text)
            continue;
        std::visit(
            [&](auto member) {
                auto& field = settings.*member;
                using T = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<T, std::string>)
                    field = *text;
                else if constexpr (std::is_same_v<T, bool>)
                    field = strToIntDef(*text, field ? 1 : 0) != 0;
                else
                    field = strToIntDef(*text, field);
            },
            key.member);
    }
    return settings;
}

std::string updateProgramSettings(std::string_view iniText, const ProgramSettings& settings) {
    IniLines ini(iniText);
    for (const Key& key : kKeys) {
        std::visit(
            [&](auto member) {
                const auto& field = settings.*member;
                using T = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<T, std::string>)
                    ini.set(key.section, key.name, oneLine(field));
                else if constexpr (std::is_same_v<T, bool>)
                    ini.set(key.section, key.name, field ? "1" : "0");
                else
                    ini.set(key.section, key.name, std::to_string(field));
            },
            key.member);
    }
    return ini.text();
}

} // namespace volmar
