#pragma once

// What a backend gives the input API: the attached devices of a class, and
// for one device a source of input frames. A frame is what the device
// reported at once (one evdev SYN_REPORT frame, one HID input report); its
// changes share one sequence number in the buffered items.

#include "volmar/input/Types.h"
#include "volmar/sysio/Result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace volmar::input {

// One input object as the device has it, before the API numbers it.
struct ObjectDesc {
    ObjectKind kind = ObjectKind::Unknown;
    std::uint32_t typeBits = 0; // DIDFT_ABSAXIS, DIDFT_RELAXIS, DIDFT_PSHBUTTON or DIDFT_POV
    std::string name;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::int32_t logicalMin = 0; // raw range (axes); POVs and buttons keep 0
    std::int32_t logicalMax = 0;
    std::int32_t physicalMin = 0;
    std::int32_t physicalMax = 0;
    std::uint32_t keyCode = 0; // keyboard keys: the scan code (state offset)
    // Property queries the device's driver refuses, one bit per PropId
    // (1 << PropId): such a query fails with DIERR_UNSUPPORTED.
    std::uint32_t refusedQueries = 0;
    bool operator==(const ObjectDesc&) const = default;
};

// Values a source reports: axes their raw logical value (relative axes the
// movement), buttons 0 or 1, POVs hundredths of degrees or kPovCentred.
struct Change {
    std::uint32_t object = 0; // index into the source's objects
    std::int32_t value = 0;
};

struct Frame {
    std::uint32_t timeMs = 0;
    std::vector<Change> changes;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void onFrame(const Frame& frame) = 0;
};

enum class PumpStatus {
    Ok,      // everything available was read
    Dropped, // the device dropped input: values are unknown until a snapshot
    Gone,    // the device went away (unplug)
};

class Source {
public:
    virtual ~Source() = default;
    virtual const std::vector<ObjectDesc>& objects() const = 0;
    // A descriptor that is readable while pump() has work.
    virtual int fd() const = 0;
    // Reads what is available without blocking and hands each complete frame
    // to the sink. On Gone, error() tells why.
    virtual PumpStatus pump(FrameSink& sink) = 0;
    // Current value of every object (relative axes 0), e.g. after Dropped.
    virtual bool snapshot(std::vector<std::int32_t>& values) = 0;
    virtual std::string error() const = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    // Attached devices of the class, in a stable order.
    virtual std::vector<DeviceInstance> enumerate(DeviceClass deviceClass) = 0;
    // A failure says why in the system's words (with the node's path).
    virtual Result<std::unique_ptr<Source>> open(const DeviceInstance& instance) = 0;
};

// Milliseconds of the monotonic clock: the time stamps of buffered items.
std::uint32_t nowMs();

} // namespace volmar::input
