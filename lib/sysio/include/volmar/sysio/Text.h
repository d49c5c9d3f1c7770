#pragma once

// Texts the programs echo back to the user: a value taken from a file or a
// command line may be megabytes long, and a message quotes only its start.

#include <cstddef>
#include <string>
#include <string_view>

namespace volmar::sysio {

// `text` when it has at most `limit` bytes; else its first bytes (never
// cutting a UTF-8 character) and "... (N bytes)".
inline std::string shortened(std::string_view text, std::size_t limit = 80) {
    if (text.size() <= limit) {
        return std::string(text);
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut)) + "... (" + std::to_string(text.size()) + " bytes)";
}

} // namespace volmar::sysio
