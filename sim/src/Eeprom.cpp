#include "volmar/sim/Eeprom.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

std::string describe(const std::filesystem::path& file, const char* what, int err) {
    return std::string(what) + " " + file.string() + ": " + std::strerror(err);
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<EepromImage> loadEepromFile(const std::filesystem::path& file, std::string& error) {
    EepromImage eeprom = erasedEeprom();
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return eeprom;
        }
        error = describe(file, "cannot open", errno);
        return std::nullopt;
    }
    std::size_t total = 0;
    std::uint8_t extra = 0;
    for (;;) {
        std::uint8_t* dst = total < kEepromSize ? eeprom.data() + total : &extra;
        const std::size_t room = total < kEepromSize ? kEepromSize - total : 1;
        const ssize_t n = ::read(fd, dst, room);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = describe(file, "cannot read", errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
        if (total > kEepromSize) {
            ::close(fd);
            error = "EEPROM file " + file.string() + " is larger than " +
                    std::to_string(kEepromSize) + " bytes";
            return std::nullopt;
        }
    }
    ::close(fd);
    return eeprom;
}

bool saveEepromFile(const std::filesystem::path& file, const EepromImage& eeprom,
                    std::string& error) {
    const std::filesystem::path temp = file.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = describe(temp, "cannot create", errno);
        return false;
    }
    if (!writeAll(fd, eeprom.data(), eeprom.size()) || ::fsync(fd) != 0) {
        error = describe(temp, "cannot write", errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        error = describe(temp, "cannot write", errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        error = describe(file, "cannot replace", errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace volmar::sim
