#include "volmar/core/Calibration.h"

#include "volmar/core/NumberConversion.h"
#include "volmar/core/ValueLists.h"

namespace volmar {

namespace {

constexpr const char* kUnnamed = "--";

int number(const std::string& text) {
    return strToIntDef(text, 0);
}

} // namespace

CalibrationHelper::CalibrationHelper(const ConfigState& state) {
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        const AxisFields& fields = state.axes[index(axis)];
        Row& r = m_rows[index(axis)];
        r.name = entryText(assignmentList(), fields.name);
        if (named(axis)) {
            r.min = fields.acal_min;
            r.centre = fields.acal_cen;
            r.max = fields.acal_max;
        }
    }
}

bool CalibrationHelper::named(int axis) const {
    return row(axis).name != kUnnamed;
}

void CalibrationHelper::setAllTicked(bool ticked) {
    for (Row& r : m_rows) {
        r.ticked = ticked;
    }
}

std::string& CalibrationHelper::limitOf(int axis, Limit limit) {
    Row& r = m_rows.at(index(axis));
    switch (limit) {
    case Limit::Min:
        return r.min;
    case Limit::Centre:
        return r.centre;
    case Limit::Max:
        break;
    }
    return r.max;
}

void CalibrationHelper::setLimit(int axis, Limit limit, std::string text) {
    limitOf(axis, limit) = std::move(text);
}

void CalibrationHelper::track(const std::array<std::string, kAxisCount>& raw) {
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        m_rows[index(axis)].current = raw[index(axis)];
    }
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        if (!selected(axis)) {
            continue;
        }
        Row& r = m_rows[index(axis)];
        if (r.min == kNotSet || number(r.current) < number(r.min)) {
            r.min = r.current;
        }
        if (r.max == kNotSet || number(r.max) < number(r.current)) {
            r.max = r.current;
        }
    }
}

void CalibrationHelper::clear() {
    for (Row& r : m_rows) {
        if (r.ticked) {
            r.min = r.centre = r.max = kNotSet;
        }
    }
}

void CalibrationHelper::setCentre() {
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        if (selected(axis)) {
            m_rows[index(axis)].centre = m_rows[index(axis)].current;
        }
    }
}

std::vector<std::pair<std::string, std::string>> CalibrationHelper::saveEdits() const {
    std::vector<std::pair<std::string, std::string>> edits;
    const std::pair<const char*, std::string Row::*> limits[] = {
        {"_acal_min", &Row::min}, {"_acal_cen", &Row::centre}, {"_acal_max", &Row::max}};
    for (const auto& [suffix, member] : limits) {
        for (int axis = 1; axis <= kAxisCount; ++axis) {
            if (named(axis)) {
                edits.emplace_back("osi_" + std::to_string(axis) + suffix, row(axis).*member);
            }
        }
    }
    return edits;
}

} // namespace volmar
