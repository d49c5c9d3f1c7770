#pragma once

// The vocabulary of the viewer's input API: result codes, device classes,
// object type words, object kinds, properties and buffered items. The numbers
// are those the viewer windows test against (class 4/2/3, type masks 0x03,
// 0x0C, 0x10, ranges 0..10000 for dead zone and saturation), so the windows
// read like the program always has.

#include <cstdint>
#include <string>

namespace volmar::input {

// Result codes: negative (high bit set) means failure, 0 and 1 success.
using HResult = std::uint32_t;
inline constexpr HResult DI_OK = 0;
inline constexpr HResult DI_BUFFEROVERFLOW = 1; // success, but the oldest items were lost
inline constexpr HResult DI_NOEFFECT = 1;       // acquire of an acquired interface
inline constexpr HResult DIERR_UNSUPPORTED = 0x80004001;
inline constexpr HResult DIERR_GENERIC = 0x80004005;
inline constexpr HResult DIERR_OBJECTNOTFOUND = 0x80070002;
inline constexpr HResult DIERR_READONLY = 0x80070005;
inline constexpr HResult DIERR_NOTACQUIRED = 0x8007000C;
inline constexpr HResult DIERR_NOTINITIALIZED = 0x80070015;
inline constexpr HResult DIERR_INPUTLOST = 0x8007001E;
inline constexpr HResult DIERR_INVALIDPARAM = 0x80070057;
inline constexpr HResult DIERR_ACQUIRED = 0x800700AA;
inline constexpr HResult DIERR_DEVICENOTREG = 0x80040154;
inline constexpr HResult DIERR_UNPLUGGED = 0x80040209;

inline constexpr bool failed(HResult hr) {
    return (hr & 0x80000000u) != 0;
}
inline constexpr bool succeeded(HResult hr) {
    return !failed(hr);
}

// Device classes; the value is also the class word of an instance.
enum class DeviceClass : std::uint32_t {
    Pointer = 2,
    Keyboard = 3,
    GameController = 4,
};

// Object type word: kind bits in the low byte, instance number in bits 8..23.
inline constexpr std::uint32_t DIDFT_RELAXIS = 0x01;
inline constexpr std::uint32_t DIDFT_ABSAXIS = 0x02;
inline constexpr std::uint32_t DIDFT_AXIS = 0x03;
inline constexpr std::uint32_t DIDFT_PSHBUTTON = 0x04;
inline constexpr std::uint32_t DIDFT_TGLBUTTON = 0x08;
inline constexpr std::uint32_t DIDFT_BUTTON = 0x0C;
inline constexpr std::uint32_t DIDFT_POV = 0x10;
inline constexpr std::uint32_t DIDFT_ALL = 0;
inline constexpr std::uint32_t DIDFT_ANYINSTANCE = 0x00FFFF00;
inline constexpr std::uint32_t makeInstance(std::uint32_t n) {
    return (n & 0xFFFF) << 8;
}
inline constexpr std::uint32_t instanceOf(std::uint32_t type) {
    return (type >> 8) & 0xFFFF;
}

// What an object is (the guidType of the object description).
enum class ObjectKind : std::uint8_t {
    Unknown,
    XAxis,
    YAxis,
    ZAxis,
    RxAxis,
    RyAxis,
    RzAxis,
    Slider,
    Button,
    Key,
    POV,
};
const char* objectKindName(ObjectKind kind);

// A centred POV reads as this value (-1 as an unsigned double word).
inline constexpr std::uint32_t kPovCentred = 0xFFFFFFFFu;

// Button data: bit 7 set means pressed.
inline constexpr std::uint32_t kButtonDown = 0x80;

struct DeviceInstance {
    std::string instanceId; // stable key for createDevice(): backend and node
    std::string productName;
    std::string instanceName;
    std::string path;      // the node the device is read from
    std::string parentKey; // same for every node of one physical device
    DeviceClass deviceClass = DeviceClass::GameController;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

struct ObjectInstance {
    ObjectKind kind = ObjectKind::Unknown;
    std::uint32_t offset = 0; // in the data format set on the interface
    std::uint32_t type = 0;   // kind bits | makeInstance(n)
    std::string name;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

// One buffered input item: 20 bytes, like the items the windows drain.
struct DeviceObjectData {
    std::uint32_t offset = 0;    // object's offset in the data format
    std::uint32_t data = 0;      // axis/POV value, or button byte (0x80 = down)
    std::uint32_t timeStamp = 0; // milliseconds of the system clock
    std::uint32_t sequence = 0;  // shared by the items of one report
    std::uint32_t appData = 0;
};
static_assert(sizeof(DeviceObjectData) == 20);

// Property identifiers.
enum class PropId : std::uint8_t {
    BufferSize,
    AxisMode,
    Granularity,
    Range,
    DeadZone,
    Saturation,
    CalibrationMode,
    Calibration,
    LogicalRange,
    PhysicalRange,
    GuidAndPath,
};

// How a property or object is addressed.
enum class How : std::uint8_t {
    Device, // the whole device (object ignored)
    ById,   // by type word
    ByOffset,
};

inline constexpr std::uint32_t DIPROPCALIBRATIONMODE_COOKED = 0;
inline constexpr std::uint32_t DIPROPCALIBRATIONMODE_RAW = 1;

// Property blocks: a header that names the property's target, then the
// value. Sizes are those of the blocks the axis dialogs write back: a 16-byte
// header, then one double word, two, or three.
inline constexpr std::uint32_t kPropHeaderSize = 16;
inline constexpr std::uint32_t kPropDwordSize = kPropHeaderSize + 4;
inline constexpr std::uint32_t kPropRangeSize = kPropHeaderSize + 8;
inline constexpr std::uint32_t kPropCalibrationSize = kPropHeaderSize + 12;

struct PropHeader {
    std::uint32_t size = 0;
    std::uint32_t headerSize = kPropHeaderSize;
    std::uint32_t object = 0;
    How how = How::Device;
};
struct PropRange {
    PropHeader header{kPropRangeSize, kPropHeaderSize, 0, How::ById};
    std::int32_t min = 0;
    std::int32_t max = 0;
};
struct PropDword {
    PropHeader header{kPropDwordSize, kPropHeaderSize, 0, How::ById};
    std::uint32_t data = 0;
};
struct PropCalibration {
    PropHeader header{kPropCalibrationSize, kPropHeaderSize, 0, How::ById};
    std::int32_t min = 0;
    std::int32_t center = 0;
    std::int32_t max = 0;
};
struct PropPath {
    PropHeader header{0, kPropHeaderSize, 0, How::Device};
    std::string path;
};

} // namespace volmar::input
