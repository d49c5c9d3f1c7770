#pragma once

// The calibration helper's rows: per axis its tick box, its assignment
// text, the live raw value and the minimum, centre and maximum found or
// stored, all held as texts ("-" = not set). Tracking widens the limits of
// the selected axes (ticked and named) to the live values; "Clear data",
// "Set center" and "Save calibration" act on the rows as their buttons say.
// Nothing is validated: a text that is not a number counts as 0 where a
// comparison needs a number and is saved as it is.

#include "volmar/core/ConfigState.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace volmar {

class CalibrationHelper {
public:
    static constexpr const char* kNotSet = "-";

    struct Row {
        bool ticked = false;
        std::string name;    // osi_name_0N: the axis's assignment text
        std::string current; // osi_acal_in_0N
        std::string min;     // osi_acal_l_0N
        std::string centre;  // osi_acal_c_0N
        std::string max;     // osi_acal_h_0N
    };
    enum class Limit { Min, Centre, Max };

    // FormCreate: the names, and the stored points of the named axes
    // (unnamed axes keep empty limit fields); every row unticked.
    explicit CalibrationHelper(const ConfigState& state);

    const Row& row(int axis) const { return m_rows.at(index(axis)); }
    // An axis is named when its assignment is not "--".
    bool named(int axis) const;

    // osi_autocal_0N and osi_autocal_all.
    void setTicked(int axis, bool ticked) { m_rows.at(index(axis)).ticked = ticked; }
    void setAllTicked(bool ticked);
    // The user typed into a limit field.
    void setLimit(int axis, Limit limit, std::string text);

    // FormUpdaterTimer: the live raw texts of axes 1..8, then the limits of
    // the selected axes widened to them. The centre is never tracked.
    void track(const std::array<std::string, kAxisCount>& raw);
    // "Clear data": every ticked axis, named or not, loses its three limits.
    void clear();
    // "Set center": the centre of every selected axis is its current value.
    void setCentre();
    // "Save calibration": the edits to make, in order (all minimums, then
    // all centres, then all maximums of the named axes, ticked or not):
    // control name (osi_N_acal_min ...) and text as the row holds it.
    std::vector<std::pair<std::string, std::string>> saveEdits() const;

private:
    static std::size_t index(int axis) { return static_cast<std::size_t>(axis - 1); }
    bool selected(int axis) const { return row(axis).ticked && named(axis); }
    std::string& limitOf(int axis, Limit limit);

    std::array<Row, kAxisCount> m_rows;
};

} // namespace volmar
