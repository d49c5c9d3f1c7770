#pragma once

// What an edit of one control does. The event table says which rule a change
// of each control starts (the axis rules, validation, the length limiting of
// the USB identity, a curve redraw, the language switch, or nothing) and
// which key filter its edit applies. applyEdit() stores a value and runs that
// rule; the window, volmarctl and the tests all go through it, so a control
// behaves the same wherever it is edited.

#include "volmar/core/ConfigFields.h"
#include "volmar/core/Rules.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace volmar {

struct TRecordLng;

enum class EditRule {
    None,
    AxisRules,   // osi_Change
    Validation,  // CheckConfig
    LengthLimit, // dev_vidChange
    CurveRedraw, // the curve chart shows the change; no rule on the configuration
    Language,    // TranslateChange
};

enum class KeyFilter {
    None,
    Digits,    // DigitControl
    HexDigits, // HexDigitControl
    UsbName,   // dev_nameKeyPress
};

// The rule a change of `control` starts ("osi_3_src" -> AxisRules).
EditRule editRuleFor(std::string_view control);
// The filter on key presses in `control`; validation follows every key press
// in a filtered control, whether the key was let in or not.
KeyFilter keyFilterFor(std::string_view control);
// Whether `key` may go into a control with that filter (Backspace is '\b').
bool keyAllowed(KeyFilter filter, char32_t key);

// A field's value in the form its control holds it.
using FieldValue = std::variant<int, std::string, bool, std::uint32_t>;

FieldValue fieldValue(const FieldDef& field, const ConfigState& state);
// Stores `value` when it fits the field (kind, list entries, spin range);
// false and nothing stored otherwise.
bool setFieldValue(const FieldDef& field, ConfigState& state, const FieldValue& value);

struct EditOutcome {
    bool accepted = false; // the control exists and the value fits it
    EditRule rule = EditRule::None;
    RunOutcome run; // what the rule wants shown
};

// A change of one control: store the value, then run the rule the event
// table binds to it. A rejected value leaves the state untouched.
EditOutcome applyEdit(ConfigState& state, const TRecordLng& lng, bool connected,
                      std::string_view control, const FieldValue& value);

} // namespace volmar
