// Any bytes as "VolmarSetup.ini", and any values to save into it: reading
// must not crash, saving must leave a file that reads back as the values
// (one line each, blanks at the ends dropped, as reading does), and saving
// the same values again must not change the file.

#include "volmar/core/ProgramSettings.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// What a saved text value reads back as.
std::string asRead(std::string value) {
    for (char& c : value) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!value.empty() && blank(value.back())) {
        value.pop_back();
    }
    std::size_t first = 0;
    while (first < value.size() && blank(value[first])) {
        ++first;
    }
    return value.substr(first);
}

int intOf(const std::string& bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
    return static_cast<int>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The file, then the values to save, separated by NUL bytes.
    std::array<std::string, 10> parts;
    std::size_t part = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && part + 1 < parts.size()) {
            ++part;
        } else {
            parts[part] += static_cast<char>(data[i]);
        }
    }
    const std::string_view file = parts[0];
    const volmar::ProgramSettings before = volmar::parseProgramSettings(file);

    volmar::ProgramSettings values;
    values.Translate = parts[1];
    values.File = parts[2];
    values.MCU = parts[3];
    values.BootLoader = parts[4];
    values.ArduinoPort = parts[5];
    values.PositionX = intOf(parts[6]);
    values.PositionY = intOf(parts[7]);
    values.Debug = !parts[8].empty();
    values.AutoBindButtons = !parts[9].empty();

    const std::string saved = volmar::updateProgramSettings(file, values);
    const volmar::ProgramSettings read = volmar::parseProgramSettings(saved);
    volmar::ProgramSettings expected = values;
    for (std::string* text : {&expected.Translate, &expected.File, &expected.MCU,
                              &expected.BootLoader, &expected.ArduinoPort}) {
        *text = asRead(*text);
    }
    if (read != expected) {
        std::fprintf(stderr, "saved settings do not read back\n");
        std::abort();
    }
    if (volmar::updateProgramSettings(saved, values) != saved) {
        std::fprintf(stderr, "saving the same settings twice changes the file\n");
        std::abort();
    }
    return 0;
}
