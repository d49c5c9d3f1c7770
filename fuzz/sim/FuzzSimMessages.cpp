// Random socket packets against the virtual controller's message handler:
// whatever arrives, the model must neither crash nor read out of bounds, and
// every request must be answered with a well-formed reply.
#include "volmar/sim/Joystick.h"
#include "volmar/sim/SimDevice.h"

#include <cstdlib>

using namespace volmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Input: an EEPROM seed byte, then packets as [delay ms][length][bytes].
    if (size < 1) {
        return 0;
    }
    sim::EepromImage eeprom;
    eeprom.fill(data[0]);
    // Some runs start from a configuration with a stored descriptor taken
    // from the input, so joystick reports of odd descriptors get built too.
    std::size_t pos = 1;
    if ((data[0] & 1) != 0 && size > 2) {
        const std::size_t n = std::min<std::size_t>(data[1], sim::image::kMaxDescriptor);
        eeprom[sim::image::kDescriptorLength] = static_cast<std::uint8_t>(n);
        for (std::size_t i = 0; i < n && 2 + i < size; ++i) {
            eeprom[sim::image::kDescriptor + i] = data[2 + i];
        }
        pos = 2 + n;
    }
    sim::Firmware firmware(eeprom, sim::BoardSettings{}, sim::SimTime(0));
    firmware.setBootloaderStay(sim::SimTime(std::chrono::milliseconds(10)));
    sim::SimDevice device(firmware, sim::Faults{});
    sim::SimTime now(0);
    while (pos + 2 <= size) {
        now += std::chrono::milliseconds(data[pos]);
        const std::size_t n = std::min<std::size_t>(data[pos + 1], size - pos - 2);
        const std::span<const std::uint8_t> packet(data + pos + 2, n);
        pos += 2 + n;
        firmware.advance(now);
        const auto msg = vhid::decodeMessage(packet);
        if (!msg) {
            continue;
        }
        const sim::Outcome out = device.handle(*msg, now);
        if (out.reply && !vhid::decodeMessage(vhid::encodeMessage(*out.reply))) {
            std::abort(); // the device sent something a client would drop
        }
        const sim::Joystick joystick(firmware.bootImage());
        (void)joystick.inputReport(firmware.bootImage(), firmware.board(),
                                   now - firmware.bootTime());
    }
    return 0;
}
