// Any bytes as a JSON configuration for volmarctl import: a document it
// refuses must leave the configuration as it was and say why; one it takes
// must encode without crashing, and exporting the result and importing
// that again must give the same configuration.

#include "volmar/core/ConfigJson.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// What `volmarctl import` starts from.
const volmar::ConfigState& clearedState() {
    static const volmar::ConfigState state = [] {
        volmar::ConfigState s = volmar::startupState(volmar::englishLanguage());
        volmar::btnClrConfigClick(s, volmar::englishLanguage(), false);
        return s;
    }();
    return state;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto json = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (json.is_discarded()) {
        return 0;
    }
    volmar::ConfigState state = clearedState();
    if (const volmar::Status applied = volmar::applyConfigJson(json, state); !applied) {
        if (applied.error().text.empty() || !(state == clearedState())) {
            std::fprintf(stderr, "a refusal changed the configuration or gave no reason\n");
            std::abort();
        }
        return 0;
    }
    volmar::ConfigState encoded = state;
    volmar::ConfigImage image{};
    volmar::DescriptorLog log;
    (void)volmar::ConfigToReport(encoded, image, log);

    volmar::ConfigState again = clearedState();
    if (const volmar::Status applied = volmar::applyConfigJson(volmar::configToJson(state), again);
        !applied) {
        std::fprintf(stderr, "the export of an imported configuration is refused: %s\n",
                     applied.error().text.c_str());
        std::abort();
    }
    if (!(again == state)) {
        std::fprintf(stderr, "export and import again changes the configuration\n");
        std::abort();
    }
    return 0;
}
