// What the edits accept while typing, and the length limits of the USB
// identity.

#include "volmar/core/Rules.h"

#include <string>

namespace volmar {

namespace {

bool isDigit(char32_t key) {
    return key >= U'0' && key <= U'9';
}

// Cut a UTF-8 text to its first `limit` characters (not bytes: the name may
// hold characters above U+007F, which take two bytes).
void cutToCharacters(std::string& text, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80)
            continue; // continuation byte
        if (chars == limit) {
            text.resize(i);
            return;
        }
        ++chars;
    }
}

} // namespace

bool DigitControl(char32_t key) {
    return key == U'\b' || isDigit(key);
}

bool HexDigitControl(char32_t key) {
    return DigitControl(key) || (key >= U'A' && key <= U'F');
}

bool dev_nameKeyPress(char32_t key) {
    switch (key) {
    case U'\b':
    case U' ':
    case U'(':
    case U')':
    case U'-':
    case U'[':
    case U']':
    case U'_':
        return true;
    default:
        return isDigit(key) || (key >= U'A' && key <= U'Z') || (key >= U'a' && key <= U'z');
    }
}

RunOutcome dev_vidChange(ConfigState& state, const TRecordLng& lng, bool connected) {
    cutToCharacters(state.dev_vid, kUsbIdChars);
    cutToCharacters(state.dev_pid, kUsbIdChars);
    cutToCharacters(state.dev_name, kUsbNameChars);
    return CheckConfig(state, lng, connected);
}

} // namespace volmar
