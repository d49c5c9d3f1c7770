#pragma once

// The configurator's own settings, kept in "VolmarSetup.ini": the language,
// the debug line, the window position, the auto-bind box and the firmware
// page's choices. Reading never fails: a missing file, section or key, or a
// number that is not one, reads as the key's default. Writing keeps whatever
// else the file holds (other keys, sections, comments).

#include <string>
#include <string_view>

namespace volmar {

struct ProgramSettings {
    // [Main]
    std::string Translate = "P\u0443\u0441\u0441\u043a\u0438\u0439(Russian)"; // Latin P, Cyrillic
    bool Debug = false;
    int PositionX = 10;
    int PositionY = 10;
    bool AutoBindButtons = false;
    // [Firmware]
    std::string File;
    std::string MCU = "atmega32u4";
    std::string BootLoader = "Arduino";
    std::string ArduinoPort;

    bool operator==(const ProgramSettings&) const = default;
};

inline constexpr std::string_view kSettingsFileName = "VolmarSetup.ini";

// Section and key names match without regard to letter case; the first of
// two equal keys counts; blanks around keys and values do not. Booleans are
// numbers, any non-zero one true.
ProgramSettings parseProgramSettings(std::string_view iniText);

// `iniText` with every key of `settings` set (booleans as "1"/"0"); a key or
// section the text lacks is added. Line breaks inside a value become blanks,
// so no value can add a line of its own.
std::string updateProgramSettings(std::string_view iniText, const ProgramSettings& settings);

} // namespace volmar
