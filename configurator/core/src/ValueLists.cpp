#include "volmar/core/ValueLists.h"

#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"

#include <string>

namespace volmar {

namespace {

// "01".."09", "10".."128": the button numbers as the lists write them.
std::string twoDigits(int k) {
    return k < 10 ? "0" + std::to_string(k) : std::to_string(k);
}

EntryList numbered(const char* none, int last) {
    EntryList list{none};
    for (int k = 1; k <= last; ++k)
        list.push_back(std::to_string(k));
    return list;
}

} // namespace

const EntryList& portList() {
    static const EntryList list = [] {
        EntryList l{"--"};
        for (char port = 'A'; port <= 'F'; ++port)
            for (char bit = '0'; bit <= '7'; ++bit)
                l.push_back(std::string{port, bit});
        return l;
    }();
    return list;
}

const EntryList& buttonList() {
    static const EntryList list = [] {
        EntryList l{"--"};
        for (int k = 1; k < kButtonEntries; ++k)
            l.push_back(twoDigits(k));
        return l;
    }();
    return list;
}

// Entry k selects button k (the stored value is the index), so entry k is
// labelled k. The older list skipped "100" and so named every button from 100
// on one number too high; the indexes, and therefore files and controllers,
// are unchanged by labelling them truthfully.
const EntryList& shiftKeyList() {
    static const EntryList list = [] {
        EntryList l{"--"};
        for (int k = 1; k < kShiftKeyEntries; ++k)
            l.push_back(twoDigits(k));
        return l;
    }();
    return list;
}

const EntryList& channelList() {
    static const EntryList list = numbered("--", 8);
    return list;
}

const EntryList& assignmentList() {
    static const EntryList list{"--", "X", "Y", "Z", "rX", "rY", "rZ", "Slider", "Dial"};
    return list;
}

const EntryList& precisionList() {
    static const EntryList list{"10", "11", "12", "13", "14"};
    return list;
}

const EntryList& filterList() {
    static const EntryList list = [] {
        EntryList l{"---"};
        for (int k = 2; k <= 14; ++k)
            l.push_back("x" + std::to_string(k));
        return l;
    }();
    return list;
}

const EntryList& specFuncList() {
    static const EntryList list = numbered("---", 6);
    return list;
}

const EntryList& axisNumberList() {
    static const EntryList list = numbered("--", 8);
    return list;
}

const EntryList& throttleModeList() {
    static const EntryList list{"--", "ON", "OFF"};
    return list;
}

const EntryList& chipTypeList() {
    static const EntryList list{"--", "4021", "74HC165"};
    return list;
}

const EntryList& timerModeList() {
    static const EntryList list{"--", "ON+OFF", "ON"};
    return list;
}

const EntryList& pollList() {
    static const EntryList list{"-", "1", "2", "4", "8"};
    return list;
}

const EntryList& hardwareList() {
    static const EntryList list{"--", "VOLMAR2.ATMEGA32U4", "VOLMAR2.AT90USB646",
                                "VOLMAR2.AT90USB1286"};
    return list;
}

const EntryList& hubTypeList() {
    static const EntryList list{"-------------------", "TLE5011_HUB_L", "TLE5011_HUB_H"};
    return list;
}

const EntryList& cursorAxisList() {
    static const EntryList list = numbered("--", 16);
    return list;
}

const std::vector<NamedColour>& ledColourList() {
    static const std::vector<NamedColour> list{
        {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
        {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
        {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
        {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
    };
    return list;
}

int ledColourIndex(std::uint32_t rgb) {
    const auto& list = ledColourList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].rgb == rgb)
            return static_cast<int>(i);
    }
    return -1;
}

ColourParts colourParts(std::uint32_t rgb) {
    return {static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
            static_cast<int>((rgb >> 16) & 0xFF)};
}

std::uint32_t colourValue(const ColourParts& parts) {
    const auto byte = [](int v) { return static_cast<std::uint32_t>(v) & 0xFFu; };
    return byte(parts.red) | (byte(parts.green) << 8) | (byte(parts.blue) << 16);
}

EntryList sourceList(const TRecordLng& lng) {
    return {"--",      lng.axis_src_virt, lng.axis_src_sens, "KMA200", "MCP3201",
            "MCP3202", "MCP3204/8",       "TLE5011",         "VLSens"};
}

EntryList acalList(const TRecordLng& lng) {
    return {"---", lng.a_calibr_on_awc, lng.a_calibr_on_awoc, lng.a_calibr_on_swc,
            lng.a_calibr_on_swoc};
}

EntryList shiftTypeList(const TRecordLng& lng) {
    return {"---", lng.lbl_on, lng.lbl_off};
}

EntryList timerList(const TRecordLng& lng) {
    EntryList l{"------------"};
    for (int k = 1; k <= 10; ++k)
        l.push_back(lng.lbl_delay + " " + std::to_string(20 * k) + " " + lng.lbl_delay_ms);
    return l;
}

EntryList gridModeList(const TRecordLng& lng) {
    return {lng.lbl_btnnrm,
            lng.lbl_btninv,
            lng.lbl_switch,
            lng.lbl_switch + " " + lng.lbl_on,
            lng.lbl_switch + " " + lng.lbl_off,
            lng.lbl_switch_soft,
            lng.lbl_encoder};
}

EntryList gridShiftList(const TRecordLng& lng) {
    EntryList l{"----------"};
    for (int k = 1; k <= kShiftKeys; ++k)
        l.push_back(lng.lbl_btnpar_sft + " " + std::to_string(k));
    return l;
}

EntryList gridTimerList(const TRecordLng& lng) {
    EntryList l{"----------"};
    for (int k = 1; k <= kTimers; ++k)
        l.push_back(lng.lbl_btnpar_tmr + " " + std::to_string(k));
    return l;
}

EntryList listEntries(ValueListId id, const TRecordLng& lng) {
    switch (id) {
    case ValueListId::None:
        return {};
    case ValueListId::Port:
        return portList();
    case ValueListId::Button:
        return buttonList();
    case ValueListId::ShiftKey:
        return shiftKeyList();
    case ValueListId::Source:
        return sourceList(lng);
    case ValueListId::Channel:
        return channelList();
    case ValueListId::Assignment:
        return assignmentList();
    case ValueListId::Precision:
        return precisionList();
    case ValueListId::Filter:
        return filterList();
    case ValueListId::Acal:
        return acalList(lng);
    case ValueListId::SpecFunc:
        return specFuncList();
    case ValueListId::AxisNumber:
        return axisNumberList();
    case ValueListId::ThrottleMode:
        return throttleModeList();
    case ValueListId::ChipType:
        return chipTypeList();
    case ValueListId::ShiftType:
        return shiftTypeList(lng);
    case ValueListId::Timer:
        return timerList(lng);
    case ValueListId::TimerMode:
        return timerModeList();
    case ValueListId::Poll:
        return pollList();
    case ValueListId::Hardware:
        return hardwareList();
    case ValueListId::HubType:
        return hubTypeList();
    }
    return {};
}

EntryList listEntries(std::string_view controlName, const TRecordLng& lng) {
    const FieldDef* field = findAnyField(controlName);
    if (field == nullptr || field->kind != FieldKind::List)
        return {};
    return listEntries(field->list, lng);
}

std::string entryText(const EntryList& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size()))
        return {};
    return list[static_cast<std::size_t>(index)];
}

} // namespace volmar
