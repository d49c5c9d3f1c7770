#pragma once

// The entries of every list the editor shows. A list stores its selected
// index, never the entry text, so these texts are for display only; the ones
// that depend on the language are built from a language record and are
// rebuilt whenever the language changes, while their indexes stay put.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace volmar {

struct TRecordLng;

using EntryList = std::vector<std::string>;

inline constexpr int kPortEntries = 49;      // "--", A0 .. F7
inline constexpr int kButtonEntries = 129;   // "--", 01 .. 128
inline constexpr int kShiftKeyEntries = 128; // "--", 01 .. 127 (7-bit field)

// Pin list: index 1 + 8 * port + bit names port letter A..F and bit 0..7.
const EntryList& portList();
// Index k is button k, written with at least two digits.
const EntryList& buttonList();
// Shift keys: index k is button k too; the field holds 7 bits, hence 128 entries.
const EntryList& shiftKeyList();

const EntryList& channelList();      // osi_N_src_chnl: "--", "1".."8"
const EntryList& assignmentList();   // osi_N_name: "--", X .. Dial
const EntryList& precisionList();    // osi_N_prcsn: "10".."14" bits
const EntryList& filterList();       // osi_N_filter: "---", "x2".."x14"
const EntryList& specFuncList();     // osi_N_specfunc: "---", "1".."6"
const EntryList& axisNumberList();   // ab_R_a, sf_thr_asrc, sf_thr_adsc: "--", "1".."8"
const EntryList& throttleModeList(); // sf_thr_bmod: "--", "ON", "OFF"
const EntryList& chipTypeList();     // sr_R_len
const EntryList& timerModeList();    // btn_timer_N_mode
const EntryList& pollList();         // dev_poll
const EntryList& hardwareList();     // joy_hardware
const EntryList& hubTypeList();      // slv_typeN
const EntryList& cursorAxisList();   // CurveVisualAxis: "--", "1".."16"

// The LED colour list (led_color_init): the sixteen standard colours, black
// first. The field stores the colour itself, red + 256 * green + 65536 *
// blue, not an index; any other colour is a custom one.
struct NamedColour {
    const char* name;
    std::uint32_t rgb;
};
const std::vector<NamedColour>& ledColourList();
// The entry showing `rgb`, or -1 for a custom colour.
int ledColourIndex(std::uint32_t rgb);
// The colour's components and back; components above 255 keep their low 8 bits.
struct ColourParts {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const ColourParts&) const = default;
};
ColourParts colourParts(std::uint32_t rgb);
std::uint32_t colourValue(const ColourParts& parts);

// Built from the language record.
EntryList sourceList(const TRecordLng& lng);    // osi_N_src, codes 0..8
EntryList acalList(const TRecordLng& lng);      // osi_N_acal, codes 0..4
EntryList shiftTypeList(const TRecordLng& lng); // typ_shift_N
EntryList timerList(const TRecordLng& lng);     // btn_timer_N: off + 20..200 ms
EntryList gridModeList(const TRecordLng& lng);  // button grid column 2, modes 0..6
EntryList gridShiftList(const TRecordLng& lng); // column 3
EntryList gridTimerList(const TRecordLng& lng); // column 4

// Which entry list a list field shows (the field table names it per field).
enum class ValueListId {
    None,
    Port,
    Button,
    ShiftKey,
    Source,
    Channel,
    Assignment,
    Precision,
    Filter,
    Acal,
    SpecFunc,
    AxisNumber,
    ThrottleMode,
    ChipType,
    ShiftType,
    Timer,
    TimerMode,
    Poll,
    Hardware,
    HubType,
};

EntryList listEntries(ValueListId id, const TRecordLng& lng);

// The entries of the list field with that control name ("osi_3_src",
// "btn_shift_2", "slv_type1" ...); empty when the name is not a list field.
EntryList listEntries(std::string_view controlName, const TRecordLng& lng);

// The entry at index, or "" when the list has no such entry (a list showing
// no entry, e.g. a value read from a file written elsewhere).
std::string entryText(const EntryList& list, int index);

} // namespace volmar
