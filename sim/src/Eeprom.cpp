#include "volmar/sim/Eeprom.h"

#include "volmar/sysio/Fd.h"
#include "volmar/sysio/FileOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace volmar::sim {

EepromImage erasedEeprom() {
    EepromImage e;
    e.fill(0xFF);
    return e;
}

bool isBlank(const EepromImage& eeprom) {
    const auto all = [&](std::uint8_t v) {
        return std::all_of(eeprom.begin(), eeprom.end(), [v](std::uint8_t b) { return b == v; });
    };
    return all(0x00) || all(0xFF);
}

Identity identityOf(const EepromImage& eeprom) {
    if (isBlank(eeprom)) {
        return Identity{kBlankVendorId, kBlankProductId, kBlankProduct};
    }
    Identity id;
    id.vendorId = static_cast<std::uint16_t>(eeprom[image::kVid] | (eeprom[image::kVid + 1] << 8));
    id.productId = static_cast<std::uint16_t>(eeprom[image::kPid] | (eeprom[image::kPid + 1] << 8));
    // The board sends each name byte as one UTF-16 unit of its string
    // descriptor, so a host reads bytes above 0x7F as U+0080..U+00FF; here
    // they become the UTF-8 a host's string API hands out.
    for (std::size_t i = 0; i < image::kNameSize && eeprom[image::kName + i] != 0; ++i) {
        const std::uint8_t c = eeprom[image::kName + i];
        if (c < 0x80) {
            id.product.push_back(static_cast<char>(c));
        } else {
            id.product.push_back(static_cast<char>(0xC0 | (c >> 6)));
            id.product.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return id;
}

const EepromImage& blankConfiguration() {
    static const EepromImage config = [] {
        EepromImage e{};
        for (std::size_t axis = 1; axis <= 2; ++axis) {
            const std::size_t at = image::kAxisRecords + image::kAxisRecordSize * (axis - 1);
            e[at] = 1;                                   // source 1
            e[at + 3] = static_cast<std::uint8_t>(axis); // X, Y
            e[at + 4] = 2;                               // 12 bits
        }
        for (std::size_t row = 1; row <= 14; ++row) {
            e[image::kButtonMap + row - 1] = static_cast<std::uint8_t>(row);
        }
        e[image::kUsbFlags] = 0x01 | (8 << 4);
        e[image::kReportLength] = 6;
        return e;
    }();
    return config;
}

const EepromImage& configurationInUse(const EepromImage& eeprom) {
    return isBlank(eeprom) ? blankConfiguration() : eeprom;
}

int pollIntervalMs(const EepromImage& eeprom) {
    const int code = configurationInUse(eeprom)[image::kUsbFlags] >> 4;
    return code == 0 ? 8 : code;
}

std::optional<std::vector<std::uint8_t>> storedJoystickDescriptor(const EepromImage& eeprom) {
    const std::size_t n = eeprom[image::kDescriptorLength];
    if (n == 0 || n > image::kMaxDescriptor) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(eeprom.begin() + image::kDescriptor,
                                     eeprom.begin() + static_cast<long>(image::kDescriptor + n));
}

int axisSource(const EepromImage& eeprom, int axis) {
    if (axis < 1 || axis > 8) {
        return 0;
    }
    return eeprom[image::kAxisRecords +
                  image::kAxisRecordSize * static_cast<std::size_t>(axis - 1)] &
           0x0F;
}

int axisPrecisionBits(const EepromImage& eeprom, int axis) {
    if (axis < 1 || axis > 8) {
        return 10;
    }
    const int index = eeprom[image::kAxisRecords +
                             image::kAxisRecordSize * static_cast<std::size_t>(axis - 1) + 4];
    return 10 + std::clamp(index, 0, 4);
}

int boundHardwareButton(const EepromImage& eeprom, int row) {
    if (row < 1 || row > static_cast<int>(image::kButtonRows)) {
        return 0;
    }
    return eeprom[image::kButtonMap + static_cast<std::size_t>(row - 1)];
}

namespace {

Error describe(const std::filesystem::path& file, const char* what, int err) {
    return Error{err, std::string(what) + " " + file.string() + ": " + std::strerror(err)};
}

} // namespace

Result<EepromImage> loadEepromFile(const std::filesystem::path& file) {
    EepromImage eeprom = erasedEeprom();
    const auto fd = sysio::openFile(file, O_RDONLY);
    if (!fd) {
        if (fd.error().code == ENOENT) {
            return eeprom;
        }
        return describe(file, "cannot open", fd.error().code);
    }
    // One byte more than the EEPROM tells a file that is too long.
    std::array<std::uint8_t, kEepromSize + 1> buffer{};
    const auto got = sysio::readFull(fd->get(), buffer);
    if (!got) {
        return describe(file, "cannot read", got.error().code);
    }
    if (*got != kEepromSize && *got != kConfigurationSize) {
        return Error{0, "EEPROM file " + file.string() + " holds " +
                            (*got > kEepromSize ? "more than " + std::to_string(kEepromSize)
                                                : std::to_string(*got)) +
                            " bytes; give a " + std::to_string(kEepromSize) +
                            "-byte EEPROM (or configuration file) or a " +
                            std::to_string(kConfigurationSize) + "-byte configuration image"};
    }
    std::copy_n(buffer.begin(), *got, eeprom.begin());
    return eeprom;
}

Status saveEepromFile(const std::filesystem::path& file, const EepromImage& eeprom) {
    const sysio::OutputFile files[] = {{file, eeprom}};
    return sysio::writeFiles(files, [](const std::filesystem::path& failed, std::string_view why) {
        return "cannot save " + failed.string() + ": " + std::string(why);
    });
}

} // namespace volmar::sim
