#pragma once

// HID report descriptor parser and report field codec. Qt-free and free of
// platform headers: the configurator's HID layer, the virtual controller and
// the viewer all use it.
//
// Conventions used throughout:
//  - A "wire report" is a report as it travels over hidraw / the virtual
//    transport: when the descriptor uses report ids, byte 0 is the report id
//    and the payload follows; otherwise the wire report is the payload alone.
//  - A field's bitOffset counts from bit 0 of the payload (the byte after the
//    report id), fields are packed least significant bit first, as HID does.
//  - Report byte lengths in Collection are counted as the Windows HID stack
//    counts them (HIDP_CAPS): largest payload of that kind in the collection,
//    rounded up to bytes, plus one byte for the report id. Windows reserves
//    that byte (a zero id) even for descriptors without report ids, so it is
//    always counted; a collection with no report of a kind has length 0.
//
// Every input is treated as hostile: malformed descriptors give an error text
// (never a crash, an unbounded allocation or an out-of-bounds read), and the
// codec functions check every bound and return nullopt/false instead.

#include "volmar/sysio/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace volmar::hidparse {

enum class ReportType : std::uint8_t { Input = 0, Output = 1, Feature = 2 };

// Bits of an Input/Output/Feature main item's data, as in the descriptor.
namespace FieldFlag {
inline constexpr std::uint32_t Constant = 0x001;      // else Data
inline constexpr std::uint32_t Variable = 0x002;      // else Array
inline constexpr std::uint32_t Relative = 0x004;      // else Absolute
inline constexpr std::uint32_t Wrap = 0x008;          // else No Wrap
inline constexpr std::uint32_t NonLinear = 0x010;     // else Linear
inline constexpr std::uint32_t NoPreferred = 0x020;   // else Preferred State
inline constexpr std::uint32_t NullState = 0x040;     // else No Null position
inline constexpr std::uint32_t Volatile = 0x080;      // Output/Feature only
inline constexpr std::uint32_t BufferedBytes = 0x100; // else Bit Field
} // namespace FieldFlag

// Limits that bound what a hostile descriptor can make us allocate or walk.
// They are above anything a real device declares (the Linux HID core uses
// the same report size and a smaller nesting depth).
inline constexpr std::size_t kMaxDescriptorBytes = 65536;
inline constexpr std::uint32_t kMaxReportBytes = 16384;    // payload of one report
inline constexpr std::uint32_t kMaxFieldBitSize = 256;     // Report Size
inline constexpr std::uint32_t kMaxReportCount = 12288;    // Report Count
inline constexpr std::uint32_t kMaxLocalUsages = 12288;    // usage items before one main item
inline constexpr std::uint32_t kMaxTotalFields = 4096;     // main items with a size
inline constexpr std::uint32_t kMaxTotalElements = 262144; // Variable elements, all fields
inline constexpr unsigned kMaxCollectionDepth = 32;
inline constexpr unsigned kMaxGlobalStackDepth = 32; // Push without Pop
inline constexpr std::uint32_t kMaxValueBits = 32;   // widest element the codec reads/writes

struct Usage {
    std::uint16_t page = 0;
    std::uint16_t id = 0;

    // The 32-bit "extended usage": page in the high half.
    constexpr std::uint32_t extended() const { return (std::uint32_t{page} << 16) | id; }
    static constexpr Usage fromExtended(std::uint32_t u) {
        return Usage{static_cast<std::uint16_t>(u >> 16), static_cast<std::uint16_t>(u & 0xFFFF)};
    }
    friend constexpr bool operator==(const Usage&, const Usage&) = default;
};

// One local usage item (first == last) or a Usage Minimum/Maximum pair, as
// extended usages, in declaration order.
struct UsageRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    friend constexpr bool operator==(const UsageRange&, const UsageRange&) = default;
};

// One Input/Output/Feature main item: `count` elements of `bitSize` bits each,
// contiguous from `bitOffset`. Main items with Report Size or Report Count 0
// occupy no bits and are not listed.
struct ReportField {
    ReportType type = ReportType::Input;
    std::uint8_t reportId = 0; // 0 when the descriptor uses no report ids
    std::uint32_t bitOffset = 0;
    std::uint32_t bitSize = 0;
    std::uint32_t count = 0;
    std::uint32_t flags = 0; // FieldFlag bits

    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 0;
    // Physical range as declared; when both are 0 it equals the logical range
    // (the HID rule) — physicalMin/physicalMax already hold that substitute.
    std::int32_t physicalMin = 0;
    std::int32_t physicalMax = 0;
    std::uint32_t unit = 0;
    std::int8_t unitExponent = 0; // -8..7

    std::uint16_t usagePage = 0; // global usage page when the main item was read

    // The usage list declared for this main item, in order.
    std::vector<UsageRange> usageRanges;
    // Variable fields only: the usage of each element (size == count). When
    // fewer usages are declared than elements, the last one repeats (HID
    // rule); with none declared every element has {usagePage, 0}.
    // Empty for Array fields: map a value with arrayUsage().
    std::vector<Usage> usages;

    std::uint32_t collectionIndex = 0; // index of its top-level collection

    bool isConstant() const { return (flags & FieldFlag::Constant) != 0; }
    bool isVariable() const { return (flags & FieldFlag::Variable) != 0; }
    bool isArray() const { return !isVariable(); }
    bool isRelative() const { return (flags & FieldFlag::Relative) != 0; }
    bool hasNullState() const { return (flags & FieldFlag::NullState) != 0; }
    // Elements are two's complement exactly when the logical minimum is negative.
    bool isSigned() const { return logicalMin < 0; }
    std::uint32_t totalBits() const { return bitSize * count; }
};

// One report (id + type) declared in a collection.
struct ReportInfo {
    ReportType type = ReportType::Input;
    std::uint8_t reportId = 0;
    std::uint32_t bitLength = 0; // payload bits, report id byte not counted
    // Payload bytes (bits rounded up); the wire report is one byte longer
    // when the descriptor uses report ids.
    std::uint32_t payloadBytes() const { return (bitLength + 7) / 8; }
};

// A top-level collection: one device object in the HID layer.
struct Collection {
    std::uint32_t index = 0; // position among the top-level collections
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint8_t collectionType = 1; // 1 = Application (the usual top level)

    std::vector<ReportField> fields; // all fields, in descriptor order
    std::vector<ReportInfo> reports; // every (type, id) with a field here

    // Windows HIDP_CAPS lengths; see the header comment.
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;

    const ReportInfo* findReport(ReportType type, std::uint8_t reportId) const;
    // Report ids of one type, ascending.
    std::vector<std::uint8_t> reportIds(ReportType type) const;
};

struct ParsedDescriptor {
    std::vector<Collection> collections;
    bool usesReportIds = false;

    // The collection that declares report `reportId` of `type` (routing of
    // input reports read from a node), or nullptr. A (type, id) pair never
    // belongs to two collections: the parser rejects such descriptors.
    const Collection* collectionFor(ReportType type, std::uint8_t reportId) const;
    // The payload of a wire report (skips the id byte when ids are used);
    // empty when the wire report is empty.
    std::span<const std::uint8_t> payloadOf(std::span<const std::uint8_t> wireReport) const;
};

// Parses a whole report descriptor. A failure is a sentence naming the byte
// offset of the offending item, e.g. "byte 12: End Collection without an
// open collection".
Result<ParsedDescriptor> parseDescriptor(std::span<const std::uint8_t> descriptor);

// Reads element `index` of `field` from a payload. Signed fields (logicalMin
// < 0) are sign-extended, others read unsigned. nullopt when index >= count,
// the element is wider than kMaxValueBits, or the payload is too short.
std::optional<std::int64_t> extractField(const ReportField& field, std::uint32_t index,
                                         std::span<const std::uint8_t> payload);

// Writes element `index` of `field` into a payload (inverse of extractField;
// other bits untouched). The value must fit the element: -2^(n-1)..2^(n-1)-1
// for signed fields, 0..2^n-1 otherwise. Values outside the logical range are
// accepted on purpose: that is how a device reports "no value" (a centred hat).
// False, payload untouched, when it does not fit or is out of bounds.
bool insertField(const ReportField& field, std::uint32_t index, std::int64_t value,
                 std::span<std::uint8_t> payload);

// The usage an Array element's value selects (value - logicalMin indexes the
// concatenated usageRanges), or nullopt for out-of-range values (no key).
std::optional<Usage> arrayUsage(const ReportField& field, std::int64_t value);

// Where a usage sits in a collection's reports of one type.
struct FieldRef {
    const ReportField* field = nullptr;
    std::uint32_t index = 0; // element within the field
};
// The first Variable, non-constant element with this usage, in descriptor order.
std::optional<FieldRef> findUsage(const Collection& collection, ReportType type, Usage usage);

// Builds one report of a parsed descriptor, e.g. the virtual controller's
// joystick input report. Starts zeroed; bytes() is the wire report. It keeps
// a pointer to `collection`: the ParsedDescriptor must outlive the builder.
class ReportBuilder {
public:
    // valid() is false when `collection` declares no report (type, reportId).
    ReportBuilder(const ParsedDescriptor& descriptor, const Collection& collection, ReportType type,
                  std::uint8_t reportId);

    bool valid() const { return m_valid; }
    // False when the field belongs to another report or insertField refuses.
    bool set(const ReportField& field, std::uint32_t index, std::int64_t value);
    // Sets the first Variable, non-constant element of this report with that
    // usage; false when there is none.
    bool setUsage(Usage usage, std::int64_t value);
    void clear();

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    std::span<const std::uint8_t> payload() const;

private:
    const Collection* m_collection = nullptr;
    ReportType m_type;
    std::uint8_t m_reportId;
    std::size_t m_payloadStart = 0;
    bool m_valid = false;
    std::vector<std::uint8_t> m_bytes;
};

// Names for messages and listings.
const char* reportTypeName(ReportType type); // "Input", "Output", "Feature"

} // namespace volmar::hidparse
