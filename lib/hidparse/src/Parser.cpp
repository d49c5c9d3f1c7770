// Report descriptor parser: walks the short items, keeps the global state
// (with its Push/Pop stack) and the local usage list, and turns every
// Input/Output/Feature main item into a ReportField of its top-level
// collection. All limits are checked before anything grows.

#include "volmar/hidparse/HidParse.h"

#include <algorithm>
#include <map>
#include <utility>

namespace volmar::hidparse {

namespace {

enum ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

// Items as stored in the descriptor (tag in the high nibble).
enum MainTag : std::uint8_t {
    TagInput = 0x8,
    TagOutput = 0x9,
    TagCollection = 0xA,
    TagFeature = 0xB,
    TagEndCollection = 0xC
};
enum GlobalTag : std::uint8_t {
    TagUsagePage = 0x0,
    TagLogicalMin = 0x1,
    TagLogicalMax = 0x2,
    TagPhysicalMin = 0x3,
    TagPhysicalMax = 0x4,
    TagUnitExponent = 0x5,
    TagUnit = 0x6,
    TagReportSize = 0x7,
    TagReportId = 0x8,
    TagReportCount = 0x9,
    TagPush = 0xA,
    TagPop = 0xB
};
enum LocalTag : std::uint8_t { TagUsage = 0x0, TagUsageMin = 0x1, TagUsageMax = 0x2 };

struct Item {
    std::size_t offset = 0;
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::uint8_t size = 0; // data bytes: 0, 1, 2 or 4
    std::uint32_t data = 0;

    std::int32_t sdata() const {
        switch (size) {
        case 1:
            return static_cast<std::int8_t>(data);
        case 2:
            return static_cast<std::int16_t>(data);
        case 4:
            return static_cast<std::int32_t>(data);
        default:
            return 0;
        }
    }
};

// A signed global value with the bytes it was written in: a maximum written
// as 0xFF in one byte means 255 to most descriptor authors when the minimum
// is not negative, although HID declares it signed.
struct RangeValue {
    std::uint32_t raw = 0;
    std::uint8_t size = 0;

    std::int32_t asSigned() const { return Item{0, 0, 0, size, raw}.sdata(); }
    std::int32_t resolveMax(std::int32_t min) const {
        const std::int32_t s = asSigned();
        if (min >= 0 && s < 0 && size < 4)
            return static_cast<std::int32_t>(raw);
        return s;
    }
};

struct Globals {
    std::uint16_t usagePage = 0;
    RangeValue logicalMin, logicalMax, physicalMin, physicalMax;
    std::int8_t unitExponent = 0;
    std::uint32_t unit = 0;
    std::uint32_t reportSize = 0;
    std::uint8_t reportId = 0;
    std::uint32_t reportCount = 0;
};

struct Locals {
    std::vector<UsageRange> usages;
    std::optional<std::uint32_t> usageMin;
    std::optional<std::uint32_t> usageMax;
    std::size_t itemCount = 0;
};

struct ReportKey {
    ReportType type;
    std::uint8_t id;
    auto operator<=>(const ReportKey&) const = default;
};

struct ReportState {
    std::uint32_t bits = 0;
    std::uint32_t collection = 0;
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    Result<ParsedDescriptor> run();

private:
    bool fail(std::size_t offset, std::string text) {
        m_error = "byte " + std::to_string(offset) + ": " + std::move(text);
        return false;
    }
    bool readItem(std::size_t pos, Item& item);
    bool onMain(const Item& item);
    bool onGlobal(const Item& item);
    bool onLocal(const Item& item);
    bool addField(const Item& item, ReportType type);
    bool flushUsageRange(std::size_t offset);
    std::uint32_t extendedUsage(const Item& item) const {
        return item.size == 4 ? item.data : (std::uint32_t{m_globals.usagePage} << 16) | item.data;
    }
    bool finish();

    std::span<const std::uint8_t> m_bytes;
    std::string m_error;
    Globals m_globals;
    std::vector<Globals> m_stack;
    Locals m_locals;
    unsigned m_depth = 0;
    std::size_t m_fieldCount = 0;
    std::size_t m_elementCount = 0;
    std::optional<std::size_t> m_fieldWithoutId; // offset of a sized field under id 0
    std::optional<std::size_t> m_firstIdItem;
    std::map<ReportKey, ReportState> m_reports;
    ParsedDescriptor m_result;
};

bool Parser::readItem(std::size_t pos, Item& item) {
    const std::uint8_t prefix = m_bytes[pos];
    item.offset = pos;
    if (prefix == 0xFE) {
        // Long items carry no defined meaning in HID; the Linux HID core refuses
        // them too, so a descriptor using one is not one we can route.
        if (m_bytes.size() - pos < 3 || m_bytes.size() - pos - 3 < m_bytes[pos + 1])
            return fail(pos, "truncated long item");
        return fail(pos, "long item (tag " + std::to_string(m_bytes[pos + 2]) + ") not supported");
    }
    static constexpr std::uint8_t sizes[4] = {0, 1, 2, 4};
    item.size = sizes[prefix & 0x3];
    item.type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
    item.tag = static_cast<std::uint8_t>(prefix >> 4);
    if (m_bytes.size() - pos - 1 < item.size)
        return fail(pos, "truncated item (needs " + std::to_string(item.size) + " data bytes, " +
                             std::to_string(m_bytes.size() - pos - 1) + " left)");
    item.data = 0;
    for (std::size_t i = 0; i < item.size; ++i)
        item.data |= std::uint32_t{m_bytes[pos + 1 + i]} << (8 * i);
    return true;
}

Result<ParsedDescriptor> Parser::run() {
    if (m_bytes.size() > kMaxDescriptorBytes) {
        return Error{0, "descriptor of " + std::to_string(m_bytes.size()) +
                            " bytes exceeds the limit of " + std::to_string(kMaxDescriptorBytes)};
    }
    std::size_t pos = 0;
    bool ok = true;
    while (ok && pos < m_bytes.size()) {
        Item item;
        ok = readItem(pos, item);
        if (!ok)
            break;
        switch (item.type) {
        case Main:
            ok = onMain(item);
            break;
        case Global:
            ok = onGlobal(item);
            break;
        case Local:
            ok = onLocal(item);
            break;
        default:
            ok = fail(pos, "reserved item type");
            break;
        }
        pos += 1 + item.size;
    }
    if (ok)
        ok = finish();
    if (!ok)
        return Error{0, m_error};
    return std::move(m_result);
}

bool Parser::onMain(const Item& item) {
    bool ok = true;
    switch (item.tag) {
    case TagInput:
        ok = addField(item, ReportType::Input);
        break;
    case TagOutput:
        ok = addField(item, ReportType::Output);
        break;
    case TagFeature:
        ok = addField(item, ReportType::Feature);
        break;
    case TagCollection:
        if (m_depth >= kMaxCollectionDepth)
            return fail(item.offset,
                        "collections nested deeper than " + std::to_string(kMaxCollectionDepth));
        if (!flushUsageRange(item.offset))
            return false;
        if (m_depth == 0) {
            Collection collection;
            collection.index = static_cast<std::uint32_t>(m_result.collections.size());
            const Usage usage = m_locals.usages.empty()
                                    ? Usage{m_globals.usagePage, 0}
                                    : Usage::fromExtended(m_locals.usages.front().first);
            collection.usagePage = usage.page;
            collection.usage = usage.id;
            collection.collectionType = static_cast<std::uint8_t>(item.data);
            m_result.collections.push_back(std::move(collection));
        }
        ++m_depth;
        break;
    case TagEndCollection:
        if (m_depth == 0)
            return fail(item.offset, "End Collection without an open collection");
        --m_depth;
        break;
    default:
        // Reserved main tags: nothing to describe; their locals end here too.
        break;
    }
    m_locals = Locals{};
    return ok;
}

bool Parser::onGlobal(const Item& item) {
    Globals& g = m_globals;
    switch (item.tag) {
    case TagUsagePage:
        if (item.data > 0xFFFF)
            return fail(item.offset, "Usage Page above 0xFFFF");
        g.usagePage = static_cast<std::uint16_t>(item.data);
        break;
    case TagLogicalMin:
        g.logicalMin = {item.data, item.size};
        break;
    case TagLogicalMax:
        g.logicalMax = {item.data, item.size};
        break;
    case TagPhysicalMin:
        g.physicalMin = {item.data, item.size};
        break;
    case TagPhysicalMax:
        g.physicalMax = {item.data, item.size};
        break;
    case TagUnitExponent: {
        // Meant as a 4-bit signed nibble; some descriptors write a whole byte.
        const std::int32_t value = (item.data & ~0xFu) == 0
                                       ? static_cast<std::int32_t>(item.data ^ 0x8) - 0x8
                                       : item.sdata();
        if (value < -128 || value > 127)
            return fail(item.offset, "Unit Exponent out of range");
        g.unitExponent = static_cast<std::int8_t>(value);
        break;
    }
    case TagUnit:
        g.unit = item.data;
        break;
    case TagReportSize:
        if (item.data > kMaxFieldBitSize)
            return fail(item.offset, "Report Size " + std::to_string(item.data) +
                                         " above the limit of " + std::to_string(kMaxFieldBitSize));
        g.reportSize = item.data;
        break;
    case TagReportId:
        if (item.data == 0 || item.data > 0xFF)
            return fail(item.offset, "Report ID " + std::to_string(item.data) + " outside 1..255");
        g.reportId = static_cast<std::uint8_t>(item.data);
        m_result.usesReportIds = true;
        if (!m_firstIdItem)
            m_firstIdItem = item.offset;
        break;
    case TagReportCount:
        if (item.data > kMaxReportCount)
            return fail(item.offset, "Report Count " + std::to_string(item.data) +
                                         " above the limit of " + std::to_string(kMaxReportCount));
        g.reportCount = item.data;
        break;
    case TagPush:
        if (m_stack.size() >= kMaxGlobalStackDepth)
            return fail(item.offset,
                        "Push nested deeper than " + std::to_string(kMaxGlobalStackDepth));
        m_stack.push_back(g);
        break;
    case TagPop:
        if (m_stack.empty())
            return fail(item.offset, "Pop without Push");
        g = m_stack.back();
        m_stack.pop_back();
        break;
    default:
        return fail(item.offset, "unknown global item tag " + std::to_string(item.tag));
    }
    return true;
}

bool Parser::onLocal(const Item& item) {
    if (item.tag > TagUsageMax)
        return true; // designators, strings, delimiters: nothing we report
    if (++m_locals.itemCount > kMaxLocalUsages)
        return fail(item.offset, "more than " + std::to_string(kMaxLocalUsages) +
                                     " usages before one main item");
    const std::uint32_t usage = extendedUsage(item);
    switch (item.tag) {
    case TagUsage:
        if (!flushUsageRange(item.offset))
            return false;
        m_locals.usages.push_back({usage, usage});
        break;
    case TagUsageMin:
        if (m_locals.usageMin && !flushUsageRange(item.offset))
            return false;
        m_locals.usageMin = usage;
        break;
    case TagUsageMax:
        if (m_locals.usageMax && !flushUsageRange(item.offset))
            return false;
        m_locals.usageMax = usage;
        break;
    default:
        break;
    }
    if (m_locals.usageMin && m_locals.usageMax)
        return flushUsageRange(item.offset);
    return true;
}

// Turns a pending Usage Minimum/Maximum into a range; a lone bound counts as
// a single usage rather than being lost.
bool Parser::flushUsageRange(std::size_t offset) {
    Locals& l = m_locals;
    if (l.usageMin && l.usageMax) {
        const std::uint32_t first = *l.usageMin;
        const std::uint32_t last = *l.usageMax;
        if ((first >> 16) != (last >> 16))
            return fail(offset, "Usage Minimum and Maximum on different usage pages");
        if (first > last)
            return fail(offset, "Usage Minimum above Usage Maximum");
        l.usages.push_back({first, last});
    } else if (l.usageMin) {
        l.usages.push_back({*l.usageMin, *l.usageMin});
    } else if (l.usageMax) {
        l.usages.push_back({*l.usageMax, *l.usageMax});
    }
    l.usageMin.reset();
    l.usageMax.reset();
    return true;
}

bool Parser::addField(const Item& item, ReportType type) {
    if (!flushUsageRange(item.offset))
        return false;
    if (m_depth == 0)
        return fail(item.offset,
                    std::string(reportTypeName(type)) + " item outside any collection");
    const Globals& g = m_globals;
    const std::uint32_t bits = g.reportSize * g.reportCount; // both bounded: no overflow
    if (bits == 0)
        return true;
    if (++m_fieldCount > kMaxTotalFields)
        return fail(item.offset, "more than " + std::to_string(kMaxTotalFields) + " fields");
    if ((item.data & FieldFlag::Variable) != 0) {
        // Each Variable element gets its own usage entry: bound their sum.
        m_elementCount += g.reportCount;
        if (m_elementCount > kMaxTotalElements)
            return fail(item.offset,
                        "more than " + std::to_string(kMaxTotalElements) + " variable elements");
    }
    if (g.reportId == 0 && !m_fieldWithoutId)
        m_fieldWithoutId = item.offset;

    const auto collection = static_cast<std::uint32_t>(m_result.collections.size() - 1);
    const ReportKey key{type, g.reportId};
    auto [it, inserted] = m_reports.try_emplace(key, ReportState{0, collection});
    if (!inserted && it->second.collection != collection)
        return fail(item.offset, std::string(reportTypeName(type)) + " report " +
                                     std::to_string(g.reportId) +
                                     " declared in two top-level collections");
    if (it->second.bits + bits > kMaxReportBytes * 8)
        return fail(item.offset, std::string(reportTypeName(type)) + " report " +
                                     std::to_string(g.reportId) + " longer than " +
                                     std::to_string(kMaxReportBytes) + " bytes");

    ReportField field;
    field.type = type;
    field.reportId = g.reportId;
    field.bitOffset = it->second.bits;
    field.bitSize = g.reportSize;
    field.count = g.reportCount;
    field.flags = item.data & 0x1FF;
    field.logicalMin = g.logicalMin.asSigned();
    field.logicalMax = g.logicalMax.resolveMax(field.logicalMin);
    field.physicalMin = g.physicalMin.asSigned();
    field.physicalMax = g.physicalMax.resolveMax(field.physicalMin);
    if (field.physicalMin == 0 && field.physicalMax == 0) {
        field.physicalMin = field.logicalMin;
        field.physicalMax = field.logicalMax;
    }
    field.unit = g.unit;
    field.unitExponent = g.unitExponent;
    field.usagePage = g.usagePage;
    field.usageRanges = m_locals.usages;
    field.collectionIndex = collection;
    if (field.isVariable()) {
        // One usage per element, walking the declared ranges; the last usage
        // repeats for the remaining elements. Bounded by the Report Count.
        field.usages.reserve(field.count);
        for (const UsageRange& range : field.usageRanges) {
            for (std::uint64_t u = range.first;
                 u <= range.last && field.usages.size() < field.count; ++u)
                field.usages.push_back(Usage::fromExtended(static_cast<std::uint32_t>(u)));
            if (field.usages.size() == field.count)
                break;
        }
        const Usage fill = field.usages.empty() ? Usage{g.usagePage, 0} : field.usages.back();
        field.usages.resize(field.count, fill);
    }
    it->second.bits += bits;
    m_result.collections.back().fields.push_back(std::move(field));
    return true;
}

bool Parser::finish() {
    if (m_depth != 0)
        return fail(m_bytes.size(), std::to_string(m_depth) + " collection(s) left open");
    if (!m_stack.empty())
        return fail(m_bytes.size(), std::to_string(m_stack.size()) + " Push without Pop");
    if (m_result.usesReportIds && m_fieldWithoutId)
        return fail(*m_fieldWithoutId,
                    "field without a report id in a descriptor that uses report ids (first "
                    "Report ID at byte " +
                        std::to_string(*m_firstIdItem) + ")");

    for (const auto& [key, state] : m_reports) {
        Collection& collection = m_result.collections[state.collection];
        ReportInfo info{key.type, key.id, state.bits};
        collection.reports.push_back(info);
        // The report id byte is counted even without ids, as Windows does.
        const auto length = static_cast<std::uint16_t>(info.payloadBytes() + 1);
        std::uint16_t* slot = key.type == ReportType::Input ? &collection.inputReportByteLength
                              : key.type == ReportType::Output
                                  ? &collection.outputReportByteLength
                                  : &collection.featureReportByteLength;
        *slot = std::max(*slot, length);
    }
    return true;
}

} // namespace

Result<ParsedDescriptor> parseDescriptor(std::span<const std::uint8_t> descriptor) {
    return Parser(descriptor).run();
}

} // namespace volmar::hidparse
