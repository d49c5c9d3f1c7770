#pragma once

// The virtual controller's HID node: its report descriptor (a vendor
// collection with feature reports 1 and 2, then the joystick collection the
// firmware found in its EEPROM at start) and the joystick's input reports,
// built field by field from that descriptor.

#include "volmar/sim/Eeprom.h"
#include "volmar/sim/LiveData.h"
#include "volmar/sim/SimTime.h"

#include "volmar/hidparse/HidParse.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace volmar::sim {

// Vendor page 0xFF00: feature report 1 (37 bytes + id) carries the command
// frames, feature report 2 (193 bytes + id) the live data.
const std::vector<std::uint8_t>& vendorCollection();
// What a blank controller presents: axes X and Y (12 bits), a hat and ten
// buttons, input report id 1, 6 bytes with the id.
const std::vector<std::uint8_t>& defaultJoystickDescriptor();
// An empty joystick collection: what is left when the stored descriptor is
// unusable, so the node still has its joystick interface.
const std::vector<std::uint8_t>& emptyJoystickDescriptor();

// Longest joystick input report (report id included) a configuration can
// state in its one length byte; a stored descriptor declaring more is unusable.
inline constexpr std::size_t kMaxInputReportBytes = 255;

class Joystick {
public:
    explicit Joystick(const EepromImage& bootImage);

    const std::vector<std::uint8_t>& nodeDescriptor() const { return m_node; }
    const std::vector<std::uint8_t>& joystickDescriptor() const { return m_joystick; }
    // Why the stored descriptor was replaced by the empty one; empty if it was not.
    const std::string& problem() const { return m_problem; }
    // Set when the report length stored in the image (byte 452) disagrees
    // with the stored descriptor; the reports then have the stored length,
    // cut or padded with zeros, as the firmware sends them.
    const std::string& lengthWarning() const { return m_lengthWarning; }
    bool hasInput() const { return m_inputId.has_value(); }
    // Payload bytes of the input report (report id not counted).
    std::size_t inputPayloadBytes() const;

    // The input report at this moment (report id first when the descriptor
    // uses ids), or nullopt when the joystick declares no input.
    std::optional<std::vector<std::uint8_t>>
    inputReport(const EepromImage& eeprom, const BoardSettings& settings, SimTime sinceBoot) const;

private:
    Status adopt(const std::vector<std::uint8_t>& joystick);

    std::vector<std::uint8_t> m_joystick;
    std::vector<std::uint8_t> m_node;
    std::string m_problem;
    std::string m_lengthWarning;
    std::size_t m_statedLength = 0; // byte 452; 0 = as the descriptor says
    hidparse::ParsedDescriptor m_parsed;
    std::size_t m_collection = 0;
    std::optional<std::uint8_t> m_inputId;
};

} // namespace volmar::sim
