// Validation: the one consistency check of the configuration. It repairs a
// few fields silently, names the first hard error in the report line and
// decides ConfigHasErrors, which the write operations obey.

#include "volmar/core/Rules.h"

#include "RulesDetail.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/NumberConversion.h"
#include "volmar/core/ValueLists.h"

#include <string>

namespace volmar {

using detail::isSet;
using detail::sourceCode;

void RunOutcome::append(const RunOutcome& other) {
    messageBoxes.insert(messageBoxes.end(), other.messageBoxes.begin(), other.messageBoxes.end());
    showNotConnected = showNotConnected || other.showNotConnected;
}

namespace {

// The zoom divisor must lie in 2..200 and the reduction in 1..200. A divisor
// above 200 falls back to 2, not 200, as the controller has always been given.
void repairZoomLimits(ConfigState& state) {
    for (CurveFields& c : state.curves) {
        const int divisor = strToIntDef(c.zm_del, 0);
        if (divisor < 2 || divisor > 200)
            c.zm_del = "2";
        const int reduction = strToIntDef(c.zm_spd, 0);
        if (reduction <= 0)
            c.zm_spd = "1";
        else if (reduction > 200)
            c.zm_spd = "200";
    }
}

// A shift key without a button has no type; a shift key with a button needs
// one, and "ON" is the natural one.
void repairShiftTypes(ConfigState& state) {
    for (std::size_t n = 0; n < kShiftKeys; ++n) {
        if (!isSet(state.btn_shift[n]))
            state.typ_shift[n] = 0;
    }
    for (std::size_t n = 0; n < kShiftKeys; ++n) {
        if (isSet(state.btn_shift[n]) && !isSet(state.typ_shift[n]))
            state.typ_shift[n] = 1;
    }
}

// An encoder needs both of its buttons; a half-set one is emptied and named.
std::string repairEncoders(ConfigState& state) {
    std::string tags;
    for (std::size_t r = 0; r < kEncoders; ++r) {
        Encoder& e = state.enc[r];
        if (isSet(e.l) != isSet(e.r)) {
            tags += "#" + std::to_string(r + 1) + " ";
            e.l = 0;
            e.r = 0;
        }
    }
    return tags;
}

// The hard errors, in the order the user learns of them; "" when none.
std::string firstHardError(ConfigState& state, const TRecordLng& lng, int& usedAxes) {
    for (int n = 0; n < kAxisCount; ++n) {
        const AxisFields& axis = state.axes[static_cast<std::size_t>(n)];
        if (sourceCode(axis) != 0 && !isSet(axis.name))
            return lng.cfg_error_3 + " " + std::to_string(n + 1);
    }

    const EntryList& names = assignmentList();
    std::string seen;
    for (int n = 0; n < kAxisCount; ++n) {
        const AxisFields& axis = state.axes[static_cast<std::size_t>(n)];
        if (sourceCode(axis) == 0)
            continue;
        const std::string text = entryText(names, axis.name);
        if (seen.find("[" + text + "]") != std::string::npos) {
            return lng.cfg_error_4 + " " + text + " " + lng.cfg_error_2 + " " +
                   std::to_string(n + 1);
        }
        seen += "[" + text + "] ";
        ++usedAxes;
    }
    return {};
}

std::string virtualAxisError(const ConfigState& state, const TRecordLng& lng) {
    for (int n = 0; n < kAxisCount; ++n) {
        const AxisFields& axis = state.axes[static_cast<std::size_t>(n)];
        if (sourceCode(axis) != detail::kSourceVirtual)
            continue;
        if (!isSet(axis.ms_btn_u))
            return lng.cfg_error_i + " " + std::to_string(n + 1);
        if (!isSet(axis.ms_btn_d))
            return lng.cfg_error_h + " " + std::to_string(n + 1);
    }
    return {};
}

int usedButtons(const ConfigState& state) {
    int count = 0;
    for (int row = kHatRows + 1; row < kGridRows; ++row) {
        if (state.buttons.hw[static_cast<std::size_t>(row)] > 0)
            ++count;
    }
    return count;
}

} // namespace

RunOutcome CheckConfig(ConfigState& state, const TRecordLng& lng, bool connected) {
    RunOutcome out;
    state.ConfigHasErrors = true;
    state.chk_report_info.clear();
    int usedAxes = 0;

    repairZoomLimits(state);
    repairShiftTypes(state);
    const std::string encoderTags = repairEncoders(state);
    if (!encoderTags.empty())
        out.messageBoxes.push_back(lng.lbl_encsetuperror + " " + encoderTags);

    std::string error = firstHardError(state, lng, usedAxes);
    const int buttons = usedButtons(state);
    if (error.empty())
        error = virtualAxisError(state, lng);
    if (!error.empty()) {
        state.chk_report_info = error;
        return out;
    }

    state.chk_report_info = lng.cfg_error_m + " " + std::to_string(usedAxes) + lng.cfg_error_n +
                            " " + std::to_string(buttons) + ".";
    state.ConfigHasErrors = false;
    out.showNotConnected = !connected;
    return out;
}

} // namespace volmar
