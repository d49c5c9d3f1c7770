#include "volmar/core/LanguageTables.h"

#include <algorithm>
#include <string>

namespace volmar {

namespace detail {
// Written by the build from data/lang (cmake/EmbedLanguageTables.cmake).
extern const std::array<std::string_view, kLanguageCount> kLanguageTableData;
} // namespace detail

namespace {

constexpr std::array<std::string_view, kLanguageCount> kNames{
    "P\u0443\u0441\u0441\u043a\u0438\u0439(Russian)", "Deutsch", "English", "Hrvatski"};

// A table that does not read stays empty: only a broken build gets there
// (the tests read every table), and the caller then keeps its language.
std::array<std::optional<TRecordLng>, kLanguageCount> parseBuiltInTables() {
    std::array<std::optional<TRecordLng>, kLanguageCount> records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (auto record = parseLanguageTable(detail::kLanguageTableData[i])) {
            records[i] = std::move(*record);
        }
    }
    return records;
}

bool validIndex(int index) {
    return index >= 0 && index < kLanguageCount;
}

} // namespace

const std::array<std::string_view, kLanguageCount>& languageNames() {
    return kNames;
}

std::optional<int> languageIndex(std::string_view text) {
    const auto it = std::find(kNames.begin(), kNames.end(), text);
    if (it == kNames.end())
        return std::nullopt;
    return static_cast<int>(it - kNames.begin());
}

std::string_view languageTableText(int index) {
    return validIndex(index) ? detail::kLanguageTableData[static_cast<std::size_t>(index)]
                             : std::string_view{};
}

const TRecordLng* languageRecord(int index) {
    static const std::array<std::optional<TRecordLng>, kLanguageCount> records =
        parseBuiltInTables();
    if (!validIndex(index))
        return nullptr;
    const auto& record = records[static_cast<std::size_t>(index)];
    return record ? &*record : nullptr;
}

} // namespace volmar
