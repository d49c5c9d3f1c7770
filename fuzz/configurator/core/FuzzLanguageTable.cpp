// Any bytes as a language table: parsing must not crash, and a table it
// accepts must be exactly what writing the record back produces.

#include "volmar/core/LanguageRecord.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto record = volmar::parseLanguageTable(text);
    if (!record) {
        if (record.error().text.empty())
            std::abort(); // a refusal must say why
        return 0;
    }
    const std::string written = volmar::formatLanguageTable(*record);
    // The last terminator may be missing from an accepted table.
    if (written != text && written != std::string(text) + "\r\n") {
        std::fprintf(stderr, "accepted table does not write back the same\n");
        std::abort();
    }
    const auto again = volmar::parseLanguageTable(written);
    if (!again || *again != *record)
        std::abort();
    return 0;
}
