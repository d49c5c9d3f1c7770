#include "CoreTestHelpers.h"

#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <variant>

namespace volmar::test {

namespace {

int pick(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

void randomize(const FieldDef& f, ConfigState& s, std::mt19937& rng) {
    static const std::array<const char*, 12> texts = {"",    "0",   "1",   "2",   "7",  "100",
                                                      "199", "250", "300", "abc", "-5", "70000"};
    const FieldRef ref = f.get(s);
    switch (f.kind) {
    case FieldKind::List: {
        // Mostly low entries, so that sources, buttons and pins collide often.
        const int roll = pick(rng, 0, 9);
        int v = roll == 0 ? -1 : roll < 4 ? 0 : pick(rng, 0, std::min(f.entries - 1, 9));
        if (roll == 9)
            v = pick(rng, 0, f.entries - 1);
        *std::get<int*>(ref) = v;
        break;
    }
    case FieldKind::Edit:
        *std::get<std::string*>(ref) = texts[static_cast<std::size_t>(pick(rng, 0, 11))];
        break;
    case FieldKind::Check:
        *std::get<bool*>(ref) = pick(rng, 0, 1) == 1;
        break;
    case FieldKind::Spin:
        *std::get<int*>(ref) = pick(rng, f.min - 2, f.max + 2);
        break;
    case FieldKind::Colour:
        *std::get<std::uint32_t*>(ref) = static_cast<std::uint32_t>(pick(rng, 0, 0xFFFFFF));
        break;
    }
}

} // namespace

ConfigState randomState(std::mt19937& rng) {
    ConfigState s;
    for (const FieldDef& f : configFields())
        randomize(f, s, rng);
    for (const FieldDef& f : editorOnlyFields())
        randomize(f, s, rng);
    for (std::size_t row = 1; row < kGridRows; ++row) {
        s.buttons.hw[row] = pick(rng, 0, 3) == 0 ? pick(rng, 0, 130) : 0;
        s.buttons.mode[row] = pick(rng, 0, 7);
        s.buttons.shift[row] = pick(rng, 0, 4);
        s.buttons.timer[row] = pick(rng, 0, 3);
    }
    return s;
}

ConfigState startup() {
    return startupState(englishLanguage());
}

ConfigImage encodeOk(ConfigState state) {
    ConfigImage image{};
    DescriptorLog log;
    const EncodeResult result = ConfigToReport(state, image, log);
    EXPECT_TRUE(result.ok()) << result.conversionError;
    return image;
}

ConfigState decodeImage(const ConfigImage& image) {
    ConfigState state = startup();
    ReportToConfig(image, state, englishLanguage(), false);
    return state;
}

std::vector<int> bytesAt(const ConfigImage& image, std::size_t from, std::size_t count) {
    return std::vector<int>(image.begin() + static_cast<std::ptrdiff_t>(from),
                            image.begin() + static_cast<std::ptrdiff_t>(from + count));
}

void useAxis(ConfigState& s, int n, int precision, int assignment) {
    s.axes[static_cast<std::size_t>(n)].src = 2;
    s.axes[static_cast<std::size_t>(n)].prcsn = precision;
    s.axes[static_cast<std::size_t>(n)].name = assignment;
}

} // namespace volmar::test
