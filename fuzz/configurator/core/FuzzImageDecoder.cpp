// Any bytes as a configuration image (a file written elsewhere, a damaged
// EEPROM): decoding must not crash, and what it makes of them must be
// stable: decode, encode, decode, encode gives the same image twice.

#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const volmar::ConfigState& editorAtStart() {
    static const volmar::ConfigState state = volmar::startupState(volmar::englishLanguage());
    return state;
}

// Decode into a freshly started editor and encode again; a decoded state
// always holds numbers in its edits, so the encoding cannot stop.
volmar::ConfigImage decodeEncode(const volmar::ConfigImage& image) {
    volmar::ConfigState state = editorAtStart();
    volmar::ReportToConfig(image, state, volmar::englishLanguage(), false);
    volmar::ConfigImage encoded{};
    volmar::DescriptorLog log;
    const volmar::EncodeResult result = volmar::ConfigToReport(state, encoded, log);
    if (!result.ok()) {
        std::fprintf(stderr, "decoded state does not encode: %s\n", result.conversionError.c_str());
        std::abort();
    }
    return encoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    volmar::ConfigImage image{};
    std::copy_n(data, std::min(size, image.size()), image.begin());
    const volmar::ConfigImage first = decodeEncode(image);
    const volmar::ConfigImage second = decodeEncode(first);
    if (first != second) {
        for (std::size_t i = 0; i < first.size(); ++i) {
            if (first[i] != second[i])
                std::fprintf(stderr, "byte %zu: %u then %u\n", i, first[i], second[i]);
        }
        std::abort();
    }
    return 0;
}
