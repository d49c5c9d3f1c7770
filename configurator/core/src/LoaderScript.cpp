#include "volmar/core/LoaderScript.h"

#include <array>
#include <utility>
#include <vector>

namespace volmar::loader {

namespace {

struct Folder {
    std::string_view folder;
    std::string_view templateName;
};

// Indexed by list entry; entry 0 ("--") has no loader.
constexpr std::array<Folder, 4> kLoaders{{
    {},
    {"DarOzazoz_atmeldfu/", "atmeldfu.sh"},
    {"DarOzazoz_arduino/", "arduino.sh"},
    {"DarOzazoz_teensy2/", "teensy2.sh"},
}};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `needle` in `text` from `from` on, letter case ignored.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lower(text[i + k]) == lower(needle[k])) {
            ++k;
        }
        if (k == needle.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

// A line being filled: runs of template text, and values already put in,
// which later placeholders must not look into.
struct Piece {
    std::string text;
    bool value = false;
};

void replaceIn(std::vector<Piece>& pieces, std::string_view placeholder, const std::string& word) {
    std::vector<Piece> next;
    for (Piece& piece : pieces) {
        if (piece.value) {
            next.push_back(std::move(piece));
            continue;
        }
        const std::string_view text = piece.text;
        std::size_t start = 0;
        for (std::size_t at = findNoCase(text, placeholder, 0); at != std::string_view::npos;
             at = findNoCase(text, placeholder, start)) {
            next.push_back({std::string(text.substr(start, at - start)), false});
            next.push_back({word, true});
            start = at + placeholder.size();
        }
        next.push_back({std::string(text.substr(start)), false});
    }
    pieces = std::move(next);
}

} // namespace

std::optional<Loader> loaderFor(int entry, std::string_view programFolder) {
    if (entry < AtmelFlip || entry > Teensy2) {
        return std::nullopt;
    }
    std::string base(programFolder);
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    const Folder& f = kLoaders[static_cast<std::size_t>(entry)];
    Loader loader;
    loader.folder = base + std::string(f.folder);
    loader.templateFile = loader.folder + std::string(f.templateName);
    return loader;
}

std::string shellQuote(std::string_view value) {
    std::string quoted = "'";
    for (const char c : value) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string fillLine(std::string_view line, const Values& values) {
    std::vector<Piece> pieces{{std::string(line), false}};
    const std::pair<std::string_view, const std::string*> order[] = {
        {"$CHIP$", &values.chip},
        {"$FILE$", &values.file},
        {"$PORT$", &values.port},
        {"$PATH$", &values.path},
    };
    for (const auto& [placeholder, value] : order) {
        replaceIn(pieces, placeholder, shellQuote(*value));
    }
    std::string filled;
    for (const Piece& piece : pieces) {
        filled += piece.text;
    }
    return filled;
}

std::string fillTemplate(std::string_view templateText, const Values& values) {
    std::string script;
    std::string_view rest = templateText;
    for (int i = 0; i < 2; ++i) {
        std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(rest.size(), line.size() + 1));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        script += fillLine(line, values);
        script += '\n';
    }
    return script;
}

} // namespace volmar::loader
