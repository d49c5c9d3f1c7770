#include "volmar/device/ConfigDocument.h"

namespace volmar::device {

RunOutcome StateDocument::loadImage(const ConfigImage& image, bool connected) {
    m_image = image;
    return ReportToConfig(m_image, m_state, m_lng, connected).run;
}

EncodeOutcome StateDocument::encodeImage(bool connected) {
    EncodeOutcome out;
    out.run = CheckConfig(m_state, m_lng, connected);
    // Encode into a scratch image: a conversion error leaves ConfigImage as it was.
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    const EncodeResult encoded = ConfigToReport(m_state, image, log);
    if (!encoded.ok()) {
        out.refusal = encoded.conversionError;
        return out;
    }
    for (const auto& box : encoded.messageBoxes) {
        out.run.messageBoxes.push_back(box);
    }
    m_image = image;
    m_log = std::move(log);
    out.encoded = true;
    if (m_state.ConfigHasErrors) {
        out.refusal = m_state.chk_report_info;
    }
    return out;
}

RunOutcome StateDocument::validate(bool connected) {
    return CheckConfig(m_state, m_lng, connected);
}

std::array<std::uint8_t, protocol::kHubSlaves> StateDocument::hubTypes() const {
    std::array<std::uint8_t, protocol::kHubSlaves> types{};
    for (int i = 0; i < protocol::kHubSlaves; ++i) {
        const int entry = m_state.slv_type[i];
        types[i] = entry < 0 ? 0xFF : static_cast<std::uint8_t>(entry);
    }
    return types;
}

RunOutcome StateDocument::setHubTypes(const std::array<std::uint8_t, protocol::kHubSlaves>& types,
                                      bool connected) {
    for (int i = 0; i < protocol::kHubSlaves; ++i) {
        m_state.slv_type[i] = types[i] <= 2 ? types[i] : kNoEntry;
    }
    return osi_Change(m_state, m_lng, connected).run;
}

} // namespace volmar::device
