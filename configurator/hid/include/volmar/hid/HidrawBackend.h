#pragma once

// The real backend: Linux hidraw nodes found through udev. The kernel- and
// udev-facing calls sit behind `hidraw::System`, so what is made of their
// answers (identity, attributes, strings, collections, openability) is
// tested without hardware.

#include "volmar/hid/HidBackend.h"
#include "volmar/sysio/DeviceLock.h"
#include "volmar/sysio/Fd.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace volmar::hid::hidraw {

// What udev and sysfs say about one hidraw node, as text, unparsed.
struct NodeFacts {
    std::string devnode;    // /dev/hidraw3
    std::string hidSysname; // parent hid device, e.g. "0003:03EB:2041.000A"; the
                            // number after the dot is new at every attachment
    std::string hidId;      // HID_ID, "0003:000003EB:00002041"
    std::string hidName;    // HID_NAME
    std::string hidUniq;    // HID_UNIQ (the USB serial for USB devices)
    bool hasUsbDevice = false;
    std::string usbIdVendor; // sysattrs of the parent usb_device (hex text)
    std::string usbIdProduct;
    std::string usbBcdDevice;
    std::string usbManufacturer;
    std::string usbProduct;
    std::string usbSerial;
    std::string usbBusnum; // decimal text, for usbfs
    std::string usbDevnum;
    std::vector<std::uint8_t> reportDescriptor; // sysfs report_descriptor; empty if unreadable
};

// What opening the node told (the node is closed again).
struct NodeProbe {
    int openError = 0; // errno of opening it for reading and writing; 0 = it opened
    bool haveRawInfo = false;
    std::uint32_t busType = 0;
    std::uint16_t vendorId = 0; // HIDIOCGRAWINFO
    std::uint16_t productId = 0;
    std::string rawName;                    // HIDIOCGRAWNAME
    std::vector<std::uint8_t> descriptor;   // HIDIOCGRDESC, only when asked for
    std::vector<std::uint16_t> languageIds; // string descriptor 0, only when asked for
};

class System {
public:
    virtual ~System() = default;
    // Every hidraw node udev knows now.
    virtual std::vector<NodeFacts> listNodes() = 0;
    virtual NodeProbe probe(const NodeFacts& facts, bool wantDescriptor, bool wantLanguageIds) = 0;
    virtual Result<std::unique_ptr<HidNode>> open(const std::string& devnode) = 0;
    // Hot-plug source: a descriptor that becomes readable when udev has news
    // (-1 when there is none), and the call that consumes the news: true
    // when a hidraw node was added (and udev has finished with it) or removed.
    virtual int monitorFd() = 0;
    virtual bool drainMonitor() = 0;
};

// "0003:000003EB:00002041" -> vendor 0x03EB, product 0x2041.
std::optional<HidAttributes> parseHidId(std::string_view hidId);
// "03eb", "0x03EB", "2041\n" -> 16-bit value; nullopt for anything else.
std::optional<std::uint16_t> parseHex16(std::string_view text);
// True when the serial could be a language table read as text (no ASCII at
// all): only then is the table worth a request to the device.
bool serialMayBeLanguageTable(const std::string& serialUtf8);

// The collections of one node: identity from the parent hid device's
// attachment, VID/PID/version and strings from the usb_device (else from
// HID_ID / HID_NAME / HID_UNIQ, else from the node's own ioctls), the
// descriptor from sysfs (else from the node).
std::vector<CollectionInfo> describeNode(const NodeFacts& facts, const NodeProbe& probe);

// The node over an opened (non-blocking) hidraw descriptor, holding the
// node's lock (if taken) for as long as it is open.
Result<std::unique_ptr<HidNode>> makeNode(sysio::UniqueFd fd, sysio::DeviceLock lock = {});

// udev + ioctls of this machine.
std::unique_ptr<System> makeSystem();

} // namespace volmar::hid::hidraw

namespace volmar::hid {
// The backend over `system`; its change callback is driven by a
// QSocketNotifier on the system's monitor descriptor, on the calling thread.
std::unique_ptr<HidBackend> makeHidrawBackend(std::unique_ptr<hidraw::System> system);
} // namespace volmar::hid
