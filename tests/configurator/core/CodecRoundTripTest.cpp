// Encoder and decoder as the two halves of one layout: every field survives
// a round trip, and any image settles after one decode/encode.

#include "CoreTestHelpers.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/ConfigJson.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>

namespace volmar {
namespace {

using Rng = std::mt19937;

int pick(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

std::string randomText(Rng& rng, const std::string& alphabet, int length) {
    std::string text;
    for (int k = 0; k < length; ++k)
        text += alphabet[static_cast<std::size_t>(pick(rng, 0, int(alphabet.size()) - 1))];
    return text;
}

// A value the editor could hold for the edit, written as the decoder writes it.
std::string editText(const std::string& name, Rng& rng) {
    if (name == "dev_vid" || name == "dev_pid")
        return randomText(rng, "0123456789ABCDEF", 4);
    if (name == "dev_name") // what the name editor lets through
        return randomText(rng,
                          " ()-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ[]_abcdefghijklmnopqrstuvwxyz",
                          pick(rng, 0, 20));
    if (name.ends_with("acal_min") || name.ends_with("acal_cen") || name.ends_with("acal_max"))
        return std::to_string(pick(rng, 0, 65535));
    if (name.ends_with("zm_del"))
        return std::to_string(pick(rng, 2, 200)); // what validation allows
    if (name.ends_with("zm_spd"))
        return std::to_string(pick(rng, 1, 200));
    return std::to_string(pick(rng, 0, 255)); // one-byte fields
}

// A varied configuration as the editor can hold it: every field of the
// table gets a random valid value, then the rules settle it as the window
// would after the edits.
ConfigState randomValidState(Rng& rng) {
    ConfigState s = test::startup();
    for (const FieldDef& f : configFields()) {
        FieldRef ref = f.get(s);
        switch (f.kind) {
        case FieldKind::List:
            *std::get<int*>(ref) = pick(rng, 0, f.entries - 1);
            break;
        case FieldKind::Spin:
            *std::get<int*>(ref) = pick(rng, f.min, f.max);
            break;
        case FieldKind::Check:
            *std::get<bool*>(ref) = pick(rng, 0, 1) == 1;
            break;
        case FieldKind::Colour:
            *std::get<std::uint32_t*>(ref) = static_cast<std::uint32_t>(pick(rng, 0, 0xFFFFFF));
            break;
        case FieldKind::Edit:
            *std::get<std::string*>(ref) = editText(f.name, rng);
            break;
        }
    }
    // The image has one bit for these companions and one code for two poll
    // entries: "--" reads back as "ON", "-" as "8" (see ButtonImageTest).
    for (int& mode : s.btn_timer_mode)
        mode = pick(rng, 1, 2);
    s.dev_poll = pick(rng, 1, 4);
    for (int row = 1; row < kGridRows; ++row) {
        s.buttons.hw[row] = pick(rng, 0, 3) == 0 ? pick(rng, 1, 128) : 0;
        s.buttons.mode[row] = pick(rng, 0, 6);
        s.buttons.shift[row] = pick(rng, 0, 4);
        s.buttons.timer[row] = pick(rng, 0, 3);
    }
    osi_Change(s, englishLanguage(), false);
    return s;
}

using test::encodeOk;

// The fields and rows that differ, for a readable failure.
std::string differences(const ConfigState& a, const ConfigState& b) {
    return ::testing::PrintToString(diffConfigs(a, b));
}

// Fields holding something their control cannot show: a list index past its
// entries (no entry, -1, is allowed) or a spin value outside its range.
std::string outOfRange(const ConfigState& s) {
    std::ostringstream out;
    for (const FieldDef& f : configFields()) {
        const FieldRef ref = f.get(s);
        if (f.kind == FieldKind::List) {
            const int v = *std::get<int*>(ref);
            if (v < -1 || v >= f.entries)
                out << f.name << '=' << v << ' ';
        } else if (f.kind == FieldKind::Spin) {
            const int v = *std::get<int*>(ref);
            if (v < f.min || v > f.max)
                out << f.name << '=' << v << ' ';
        }
    }
    for (int row = 1; row < kGridRows; ++row) {
        const ButtonMap& m = s.buttons;
        if (m.hw[row] < 0 || m.hw[row] > 255 || m.mode[row] < -1 || m.mode[row] > 6 ||
            m.shift[row] < -1 || m.shift[row] > 4 || m.timer[row] < 0 || m.timer[row] > 3)
            out << "button row " << row << ' ';
    }
    return out.str();
}

TEST(CodecRoundTrip, EveryFieldOfVariedConfigurationsSurvives) {
    Rng rng(20161101);
    for (int round = 0; round < 200; ++round) {
        const ConfigState state = randomValidState(rng);
        const ConfigState decoded = test::decodeImage(encodeOk(state));
        ASSERT_EQ(decoded, state) << "round " << round << ": " << differences(decoded, state);
    }
}

TEST(CodecRoundTrip, TheStartUpStateSurvives) {
    ConfigState state = test::startup();
    state.btn_timer_mode = {2, 2, 2}; // one bit: "--" reads back as "ON"
    state.dev_poll = 4;               // "-" and "8" share a code
    const ConfigState decoded = test::decodeImage(encodeOk(state));
    EXPECT_EQ(decoded, state) << differences(decoded, state);
}

// What the decoder fuzz target checks, over a deterministic sample: any image
// decodes to values the controls can hold and settles after one
// decode/encode, whatever lists it leaves without entry.
TEST(CodecRoundTrip, AnyImageSettlesAfterOneDecodeAndEncode) {
    Rng rng(641);
    for (int round = 0; round < 400; ++round) {
        ConfigImage image{};
        // Half the rounds fill every byte; the others only a few, so that
        // mostly-valid configurations with a stray value are covered too.
        const bool dense = round % 2 == 0;
        for (std::size_t pos = 0; pos < image.size(); ++pos) {
            if (dense || pick(rng, 0, 15) == 0)
                image[pos] = static_cast<std::uint8_t>(pick(rng, 0, 255));
        }
        const ConfigState decoded = test::decodeImage(image);
        ASSERT_EQ(outOfRange(decoded), "") << "round " << round;
        const ConfigImage first = encodeOk(decoded);
        const ConfigImage second = encodeOk(test::decodeImage(first));
        ASSERT_EQ(first, second) << "round " << round;
        for (std::size_t pos = kConfigBytes; pos < first.size(); ++pos)
            ASSERT_EQ(first[pos], 0) << "byte " << pos;
    }
}

// The encoder takes any state - values no control could hold included -
// without reading or writing out of bounds, and its image settles after one
// more decode/encode.
TEST(CodecRoundTrip, ArbitraryStatesEncodeToSettledImages) {
    Rng rng(7);
    const int extremes[] = {INT_MIN, -1000, -1, 0, 1, 127, 128, 129, 255, 256, 65536, INT_MAX};
    const std::string texts[] = {"", "-1", "99999", "4294967296", "ÿÿ", "1A", "12345", "0"};
    for (int round = 0; round < 200; ++round) {
        ConfigState s = test::startup();
        for (const FieldDef& f : configFields()) {
            FieldRef ref = f.get(s);
            if (auto* i = std::get_if<int*>(&ref)) {
                **i = extremes[pick(rng, 0, 11)];
            } else if (auto* b = std::get_if<bool*>(&ref)) {
                **b = pick(rng, 0, 1) == 1;
            } else if (auto* c = std::get_if<std::uint32_t*>(&ref)) {
                **c = static_cast<std::uint32_t>(extremes[pick(rng, 0, 11)]);
            } else if (auto* t = std::get_if<std::string*>(&ref)) {
                **t = texts[pick(rng, 0, 7)];
            }
        }
        for (int row = 0; row < kGridRows; ++row) {
            s.buttons.hw[row] = extremes[pick(rng, 0, 11)];
            s.buttons.mode[row] = extremes[pick(rng, 0, 11)];
            s.buttons.shift[row] = extremes[pick(rng, 0, 11)];
            s.buttons.timer[row] = extremes[pick(rng, 0, 11)];
        }
        s.dev_vid = "ABCD";
        s.dev_pid = "1234";
        for (AxisFields& a : s.axes)
            a.ms_step = std::to_string(pick(rng, -300, 300));
        for (CurveFields& c : s.curves) {
            c.zm_del = std::to_string(extremes[pick(rng, 0, 11)]);
            c.zm_spd = "7";
        }
        const ConfigImage settled = encodeOk(test::decodeImage(encodeOk(s)));
        EXPECT_EQ(settled, encodeOk(test::decodeImage(settled))) << "round " << round;
    }
}

} // namespace
} // namespace volmar
