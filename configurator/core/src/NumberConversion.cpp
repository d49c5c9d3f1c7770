#include "volmar/core/NumberConversion.h"

#include <charconv>
#include <limits>

namespace volmar {

std::string invalidIntegerMessage(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}

IntConversion strToInt(std::string_view text) {
    IntConversion result;
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    // from_chars alone would accept a second sign and stop at the first
    // non-digit; the edits hold nothing but digits, so demand exactly that.
    bool allDigits = !digits.empty();
    for (char c : digits) {
        allDigits = allDigits && c >= '0' && c <= '9';
    }
    std::int64_t magnitude = 0;
    if (allDigits) {
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
        allDigits = ec == std::errc() && end == digits.data() + digits.size();
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!allDigits || value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min()) {
        result.error = invalidIntegerMessage(text);
        return result;
    }
    result.value = static_cast<std::int32_t>(value);
    return result;
}

std::int32_t strToIntDef(std::string_view text, std::int32_t fallback) {
    const IntConversion converted = strToInt(text);
    return converted.ok() ? converted.value : fallback;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

namespace {

// Value of one or two hex digits; -1 when any is not a hex digit.
int hexValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

UsbIdConversion usbIdFromText(std::string_view text) {
    UsbIdConversion result;
    if (text.size() < 3) {
        result.error = invalidIntegerMessage(text);
        return result;
    }
    // The edit is cut to four characters as it changes; anything past them
    // never reaches the controller.
    const int high = hexValue(text.substr(0, 2));
    const int low = hexValue(text.substr(2, 2));
    if (high < 0 || low < 0) {
        result.error = invalidIntegerMessage(text);
        return result;
    }
    result.high = static_cast<std::uint8_t>(high);
    result.low = static_cast<std::uint8_t>(low);
    return result;
}

std::string usbIdToText(std::uint8_t low, std::uint8_t high) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(4, '0');
    text[0] = kDigits[high >> 4];
    text[1] = kDigits[high & 0x0F];
    text[2] = kDigits[low >> 4];
    text[3] = kDigits[low & 0x0F];
    return text;
}

namespace {

// Next character code of a UTF-8 text. A byte that does not start a
// well-formed sequence counts as the character with its own code, so text
// from anywhere still maps to bytes instead of being dropped.
std::uint32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return lead;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    pos += length;
    return code;
}

} // namespace

UsbNameBytes usbNameBytes(std::string_view utf8Text) {
    UsbNameBytes bytes{};
    std::size_t pos = 0;
    for (std::size_t k = 0; k < kUsbNameBytes && pos < utf8Text.size(); ++k) {
        bytes[k] = static_cast<std::uint8_t>(nextCodePoint(utf8Text, pos) & 0xFF);
    }
    return bytes;
}

std::string usbNameText(const UsbNameBytes& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        if (b == 0) {
            continue;
        }
        if (b < 0x80) {
            text += static_cast<char>(b);
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

} // namespace volmar
