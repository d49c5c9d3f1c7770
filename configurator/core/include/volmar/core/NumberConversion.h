#pragma once

// Text <-> number conversions of the configuration image. Edits hold their
// numbers as text; the image holds bytes. Two kinds of reading exist: strict
// (a text that is not a number stops the encoding with a message the user
// sees) and lenient (anything unreadable counts as 0).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace volmar {

// The message for a text that is not a number; the text is quoted in it.
std::string invalidIntegerMessage(std::string_view text);

// A strict conversion: either a value or the message to show.
struct IntConversion {
    std::int32_t value = 0;
    std::string error; // empty on success

    bool ok() const { return error.empty(); }
};

// Decimal text as the edits hold it: an optional sign followed by 1..n
// digits, nothing else (no blanks, no hex prefix), within 32 bits.
IntConversion strToInt(std::string_view text);

// Lenient: the value of strToInt, or `fallback` when the text is not a number.
std::int32_t strToIntDef(std::string_view text, std::int32_t fallback = 0);

// A USB vendor or product id as the identity edits hold it: characters 1-2
// give the high byte, characters 3-4 the low byte (with three characters the
// low byte is the single third digit). Fewer than three characters, or a
// character that is not a hex digit, is a conversion error naming the text.
struct UsbIdConversion {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    std::string error; // empty on success

    bool ok() const { return error.empty(); }
};
UsbIdConversion usbIdFromText(std::string_view text);

// The edit's text for an id read from the image: four upper-case hex digits,
// high byte first.
std::string usbIdToText(std::uint8_t low, std::uint8_t high);

// 0..15 for a hexadecimal digit of either case; -1 for anything else.
int hexDigit(char c);

// The USB product name occupies 20 bytes; each character keeps the low 8 bits
// of its code. The text is UTF-8: bytes 1..127 are ASCII and bytes 128..255
// stand for the characters U+0080..U+00FF, so any 20 bytes read from an image
// give a text that encodes back to the same bytes. Zero bytes end nothing and
// are skipped, as the name ends where the bytes do.
inline constexpr std::size_t kUsbNameBytes = 20;
using UsbNameBytes = std::array<std::uint8_t, kUsbNameBytes>;
UsbNameBytes usbNameBytes(std::string_view utf8Text);
std::string usbNameText(const UsbNameBytes& bytes);

} // namespace volmar
