#pragma once

// What a language switch decides, for the window to show: which record a
// `Translate` text chooses, the caption the language gives each control that
// shows one, which lists are rebuilt from the record, and the configuration
// carried across the switch as its image, so that every list keeps its index
// whatever its entries read afterwards.

#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/core/ValueLists.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace volmar {

// The record `translateText` chooses: one of the four built-in tables, or
// nullptr for any other text (an edited settings file), which reads no
// table: the window keeps its current language.
const TRecordLng* chosenLanguage(std::string_view translateText);

// The record the window starts in: the one the settings' `Translate` text
// chooses, Russian for a text that chooses none.
const TRecordLng& startLanguage(std::string_view translateText);

// The caption the language gives the control with that object name: a
// label's or button's text, a group box's title, a page's tab, a window's
// title; three are composed of two fields (the special-functions page and
// the two live value headings). Nothing for a control whose caption is not
// the language's.
std::optional<std::string> controlCaption(std::string_view control, const TRecordLng& lng);

// Every control controlCaption() knows, window by window.
const std::vector<std::string_view>& captionedControls();

// Whether a list's entries are built from the record (the sources, the
// auto-calibration modes, the shift types, the timers); the other lists
// read the same in every language.
bool listFollowsLanguage(ValueListId id);

// The configuration across a switch: its image, taken before the lists are
// rebuilt and decoded with the new record afterwards. It lives in memory
// only, so a switch writes no file and works in any current directory.
class CarriedConfiguration {
public:
    // Encodes a copy of `state`; the state itself is not touched.
    explicit CarriedConfiguration(const ConfigState& state);

    // False when an edit holds no number, so the configuration has no image.
    bool encoded() const { return m_encoded; }
    const ConfigImage& image() const { return m_image; }

    // Puts the configuration back in the language of `lng`: the image
    // decoded (defaults, fields, axis rules, validation). A configuration
    // that had no image is kept as it is, and the axis rules and validation
    // run on it, so the report line speaks the new language either way.
    RulesOutcome restore(ConfigState& state, const TRecordLng& lng, bool connected) const;

private:
    ConfigImage m_image{};
    bool m_encoded = false;
};

} // namespace volmar
