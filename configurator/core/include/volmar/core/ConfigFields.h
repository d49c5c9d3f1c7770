#pragma once

// The one table of configuration fields: control name -> kind -> member.
// JSON export/import, the diff, the GUI binding and the tests all walk it, so
// a new field is one line here.

#include "volmar/core/ConfigState.h"

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
    int entries = 0;  // List: number of entries; otherwise 0
    int min = 0;      // Spin: range
    int max = 0;
    std::function<FieldRef(ConfigState&)> ref;

    FieldRef get(ConfigState& s) const { return ref(s); }
    FieldRef get(const ConfigState& s) const { return ref(const_cast<ConfigState&>(s)); }
};

// Every field the configuration image carries, in image order, without the
// button map (which travels as its four per-row arrays).
const std::vector<FieldDef>& configFields();

// nullptr when no field has that name.
const FieldDef* findField(std::string_view name);

} // namespace volmar
