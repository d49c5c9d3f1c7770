#pragma once

// The four language tables built into the program and the `Translate`
// entries that choose them. The tables are UTF-8 text in the same 178-line
// CR LF form that parseLanguageTable reads.

#include "volmar/core/LanguageRecord.h"

#include <array>
#include <optional>
#include <string_view>

namespace volmar {

inline constexpr int kLanguageCount = 4;

// The `Translate` entries by index: 0 Russian (its first letter is a Latin
// capital P, as settings files have always stored it), 1 German, 2 English,
// 3 Croatian.
const std::array<std::string_view, kLanguageCount>& languageNames();

// The index of the entry that reads exactly `text`; nothing for any other
// text (an edited settings file), and then no table may be read.
std::optional<int> languageIndex(std::string_view text);

// A built-in table's text; empty for an index outside 0…3.
std::string_view languageTableText(int index);

// The record a built-in table fills, read once on first use; nullptr for an
// index outside 0…3 (or a table the build embedded broken, which the tests
// rule out), and the caller then keeps its current language.
const TRecordLng* languageRecord(int index);

} // namespace volmar
