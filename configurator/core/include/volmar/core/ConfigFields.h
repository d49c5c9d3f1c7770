#pragma once

// The one table of configuration fields: control name -> kind -> member.
// JSON export/import, the diff, the GUI binding and the tests all walk it, so
// a new field is one line here.

#include "volmar/core/ConfigState.h"
#include "volmar/core/ValueLists.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace volmar {

enum class FieldKind {
    List,   // selected index, -1 = none
    Edit,   // text
    Check,  // ticked
    Spin,   // integer within [min, max]
    Colour, // RGB as red + 256*green + 65536*blue
};

using FieldRef = std::variant<int*, std::string*, bool*, std::uint32_t*>;

struct FieldDef {
    std::string name; // the control name, e.g. "osi_3_src", "hw_br_10", "ab_02_b"
    FieldKind kind;
    int entries = 0; // List: number of entries; otherwise 0
    int min = 0;     // Spin: range
    int max = 0;
    std::function<FieldRef(ConfigState&)> ref;
    ValueListId list = ValueListId::None; // List: which entries it shows
    bool inImage = true; // false: an editor field the configuration image does not carry

    FieldRef get(ConfigState& s) const { return ref(s); }
    FieldRef get(const ConfigState& s) const { return ref(const_cast<ConfigState&>(s)); }
};

// Every field the configuration image carries, in image order, without the
// button map (which travels as its four per-row arrays).
const std::vector<FieldDef>& configFields();

// nullptr when no field has that name.
const FieldDef* findField(std::string_view name);

// Editor lists that live beside the configuration but are not carried by the
// image (and so not by files or JSON): slv_type1..4 (kept by the sensor hub)
// and joy_hardware (reported by the controller). All have inImage == false.
const std::vector<FieldDef>& editorOnlyFields();

// Like findField, but also finds the editor-only fields.
const FieldDef* findAnyField(std::string_view name);

} // namespace volmar
