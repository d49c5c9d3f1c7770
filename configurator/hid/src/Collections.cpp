#include "volmar/hid/Collections.h"

#include "volmar/hidparse/HidParse.h"

#include <algorithm>

namespace volmar::hid {

std::vector<CollectionInfo> collectionsOf(const CollectionInfo& node, const std::string& nodeId,
                                          std::span<const std::uint8_t> descriptor) {
    std::vector<CollectionInfo> out;
    auto parsed = descriptor.empty()
                      ? Result<hidparse::ParsedDescriptor>(Error{0, "no report descriptor"})
                      : hidparse::parseDescriptor(descriptor);
    if (parsed && parsed->collections.empty()) {
        parsed = Error{0, "report descriptor without a top-level collection"};
    }
    if (!parsed) {
        CollectionInfo only = node;
        only.descriptorProblem = parsed.error().text;
        only.deviceId = nodeId + "#0";
        only.collectionIndex = 0;
        only.caps = {};
        only.inputReportIds.clear();
        only.usesReportIds = false;
        out.push_back(std::move(only));
        return out;
    }
    for (const hidparse::Collection& c : parsed->collections) {
        CollectionInfo info = node;
        info.collectionIndex = static_cast<int>(c.index);
        info.deviceId = nodeId + "#" + std::to_string(c.index);
        info.caps.usagePage = c.usagePage;
        info.caps.usage = c.usage;
        info.caps.inputReportByteLength = c.inputReportByteLength;
        info.caps.outputReportByteLength = c.outputReportByteLength;
        info.caps.featureReportByteLength = c.featureReportByteLength;
        info.inputReportIds = c.reportIds(hidparse::ReportType::Input);
        info.usesReportIds = parsed->usesReportIds;
        out.push_back(std::move(info));
    }
    return out;
}

std::u16string serialAfterLanguageRule(const std::u16string& serial,
                                       std::span<const std::uint16_t> languageIds) {
    if (languageIds.empty()) {
        return serial;
    }
    // The serial was read into a zeroed buffer: characters past its end are 0.
    for (std::size_t i = 0; i < languageIds.size(); ++i) {
        const char16_t c = i < serial.size() ? serial[i] : u'\0';
        if (c != static_cast<char16_t>(languageIds[i])) {
            return serial;
        }
    }
    return {};
}

} // namespace volmar::hid
