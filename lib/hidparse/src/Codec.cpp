// Reading and writing field elements in report payloads, and the lookups
// around them. Bits are packed least significant first across bytes.

#include "volmar/hidparse/HidParse.h"

#include <algorithm>

namespace volmar::hidparse {

namespace {

// Bit position of an element, or nullopt when the element cannot be handled
// or does not lie inside a payload of `size` bytes.
std::optional<std::uint64_t> elementBit(const ReportField& field, std::uint32_t index,
                                        std::size_t size) {
    if (index >= field.count || field.bitSize == 0 || field.bitSize > kMaxValueBits)
        return std::nullopt;
    const std::uint64_t bit = std::uint64_t{field.bitOffset} + std::uint64_t{index} * field.bitSize;
    const std::uint64_t endByte = (bit + field.bitSize + 7) / 8;
    if (endByte > size)
        return std::nullopt;
    return bit;
}

} // namespace

std::optional<std::int64_t> extractField(const ReportField& field, std::uint32_t index,
                                         std::span<const std::uint8_t> payload) {
    const auto bit = elementBit(field, index, payload.size());
    if (!bit)
        return std::nullopt;
    // At most 32 bits starting anywhere in a byte span at most 5 bytes.
    const std::size_t first = static_cast<std::size_t>(*bit / 8);
    const unsigned shift = static_cast<unsigned>(*bit % 8);
    const std::size_t last = static_cast<std::size_t>((*bit + field.bitSize - 1) / 8);
    std::uint64_t window = 0;
    for (std::size_t i = last + 1; i-- > first;)
        window = (window << 8) | payload[i];
    const std::uint64_t mask = (std::uint64_t{1} << field.bitSize) - 1;
    const std::uint64_t raw = (window >> shift) & mask;
    if (field.isSigned() && (raw >> (field.bitSize - 1)) != 0)
        return static_cast<std::int64_t>(raw) - (std::int64_t{1} << field.bitSize);
    return static_cast<std::int64_t>(raw);
}

bool insertField(const ReportField& field, std::uint32_t index, std::int64_t value,
                 std::span<std::uint8_t> payload) {
    const auto bit = elementBit(field, index, payload.size());
    if (!bit)
        return false;
    const unsigned n = field.bitSize;
    if (field.isSigned()) {
        const std::int64_t lo = -(std::int64_t{1} << (n - 1));
        const std::int64_t hi = (std::int64_t{1} << (n - 1)) - 1;
        if (value < lo || value > hi)
            return false;
    } else if (value < 0 || value > static_cast<std::int64_t>((std::uint64_t{1} << n) - 1)) {
        return false;
    }
    const std::uint64_t mask = (std::uint64_t{1} << n) - 1;
    const std::uint64_t raw = static_cast<std::uint64_t>(value) & mask;
    std::uint64_t pos = *bit;
    unsigned done = 0;
    while (done < n) {
        const std::size_t byte = static_cast<std::size_t>(pos / 8);
        const unsigned inByte = static_cast<unsigned>(pos % 8);
        const unsigned take = std::min(8 - inByte, n - done);
        const auto bits = static_cast<std::uint8_t>((1u << take) - 1);
        const auto chunk = static_cast<std::uint8_t>((raw >> done) & bits);
        payload[byte] =
            static_cast<std::uint8_t>((payload[byte] & ~(bits << inByte)) | (chunk << inByte));
        done += take;
        pos += take;
    }
    return true;
}

std::optional<Usage> arrayUsage(const ReportField& field, std::int64_t value) {
    if (value < field.logicalMin || value > field.logicalMax)
        return std::nullopt;
    std::uint64_t position = static_cast<std::uint64_t>(value - field.logicalMin);
    for (const UsageRange& range : field.usageRanges) {
        const std::uint64_t span = std::uint64_t{range.last} - range.first + 1;
        if (position < span)
            return Usage::fromExtended(static_cast<std::uint32_t>(range.first + position));
        position -= span;
    }
    return std::nullopt;
}

std::optional<FieldRef> findUsage(const Collection& collection, ReportType type, Usage usage) {
    for (const ReportField& field : collection.fields) {
        if (field.type != type || field.isConstant() || !field.isVariable())
            continue;
        for (std::uint32_t i = 0; i < field.usages.size(); ++i) {
            if (field.usages[i] == usage)
                return FieldRef{&field, i};
        }
    }
    return std::nullopt;
}

const ReportInfo* Collection::findReport(ReportType type, std::uint8_t reportId) const {
    for (const ReportInfo& report : reports) {
        if (report.type == type && report.reportId == reportId)
            return &report;
    }
    return nullptr;
}

std::vector<std::uint8_t> Collection::reportIds(ReportType type) const {
    std::vector<std::uint8_t> ids;
    for (const ReportInfo& report : reports) {
        if (report.type == type)
            ids.push_back(report.reportId);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

const Collection* ParsedDescriptor::collectionFor(ReportType type, std::uint8_t reportId) const {
    for (const Collection& collection : collections) {
        if (collection.findReport(type, reportId) != nullptr)
            return &collection;
    }
    return nullptr;
}

std::span<const std::uint8_t>
ParsedDescriptor::payloadOf(std::span<const std::uint8_t> wireReport) const {
    if (usesReportIds && !wireReport.empty())
        return wireReport.subspan(1);
    return wireReport;
}

ReportBuilder::ReportBuilder(const ParsedDescriptor& descriptor, const Collection& collection,
                             ReportType type, std::uint8_t reportId)
    : m_collection(&collection), m_type(type), m_reportId(reportId) {
    const ReportInfo* report = collection.findReport(type, reportId);
    if (report == nullptr)
        return;
    m_payloadStart = descriptor.usesReportIds ? 1 : 0;
    m_bytes.assign(m_payloadStart + report->payloadBytes(), 0);
    if (descriptor.usesReportIds)
        m_bytes[0] = reportId;
    m_valid = true;
}

bool ReportBuilder::set(const ReportField& field, std::uint32_t index, std::int64_t value) {
    if (!m_valid || field.type != m_type || field.reportId != m_reportId ||
        field.collectionIndex != m_collection->index)
        return false;
    return insertField(field, index, value, std::span(m_bytes).subspan(m_payloadStart));
}

bool ReportBuilder::setUsage(Usage usage, std::int64_t value) {
    if (!m_valid)
        return false;
    // Only elements of this very report qualify, so look past fields of
    // other ids that carry the same usage.
    for (const ReportField& field : m_collection->fields) {
        if (field.type != m_type || field.reportId != m_reportId || field.isConstant() ||
            !field.isVariable())
            continue;
        for (std::uint32_t i = 0; i < field.usages.size(); ++i) {
            if (field.usages[i] == usage)
                return set(field, i, value);
        }
    }
    return false;
}

void ReportBuilder::clear() {
    std::fill(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_payloadStart), m_bytes.end(), 0);
}

std::span<const std::uint8_t> ReportBuilder::payload() const {
    return std::span(m_bytes).subspan(m_payloadStart);
}

const char* reportTypeName(ReportType type) {
    switch (type) {
    case ReportType::Input:
        return "Input";
    case ReportType::Output:
        return "Output";
    case ReportType::Feature:
        return "Feature";
    }
    return "?";
}

} // namespace volmar::hidparse
