#pragma once

// A HID game controller collection as input API objects, and its input
// reports as frames: axes with their exact logical ranges, a hat as a POV,
// and every button the collection declares (up to the 128 the joystick
// layout holds). One report is one frame.

#include "volmar/hidparse/HidParse.h"
#include "volmar/input/Source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace volmar::input {

// Index of the first joystick, gamepad or multi-axis collection, if any.
std::optional<std::size_t> findGameCollection(const hidparse::ParsedDescriptor& descriptor);

class HidJoystick {
public:
    HidJoystick(hidparse::ParsedDescriptor descriptor, std::size_t collection);
    // Bindings point into the descriptor: copies would point into the original.
    HidJoystick(const HidJoystick&) = delete;
    HidJoystick& operator=(const HidJoystick&) = delete;

    const std::vector<ObjectDesc>& objects() const { return m_objects; }
    const hidparse::Collection& collection() const;
    // Decodes one wire report; reports of other collections or too short give
    // no frame. Only objects whose value changed are in the frame.
    bool decode(std::span<const std::uint8_t> wireReport, std::uint32_t timeMs, Frame& frame);
    const std::vector<std::int32_t>& values() const { return m_values; }

private:
    struct Binding {
        const hidparse::ReportField* field = nullptr;
        std::uint32_t index = 0;       // element (Variable fields)
        std::uint16_t buttonUsage = 0; // Array button fields: the usage it shows
    };
    void addVariable(const hidparse::ReportField& field, std::uint32_t index,
                     hidparse::Usage usage);
    const std::vector<std::uint16_t>& pressedButtons(const hidparse::ReportField& field,
                                                     std::span<const std::uint8_t> payload);

    hidparse::ParsedDescriptor m_descriptor;
    std::size_t m_collection = 0;
    std::vector<ObjectDesc> m_objects;
    std::vector<Binding> m_bindings;
    std::vector<std::int32_t> m_values;
    std::vector<std::pair<const hidparse::ReportField*, std::vector<std::uint16_t>>> m_pressed;
};

// Sorts objects into the order the API lists them: axes (X, Y, Z, Rx, Ry,
// Rz, then the others), POVs, buttons by number. Returns the permutation
// applied (new position -> old index).
std::vector<std::size_t> objectOrder(const std::vector<ObjectDesc>& objects);

} // namespace volmar::input
