#pragma once

// What the exchanges need from the configuration the window edits: its image
// buffer, the decoder for an image read from the controller, validation and
// the encoder for a write, and the sensor hub fields. StateDocument is the
// real one, over ConfigState and the core's codec and rules.

#include "volmar/core/ImageCodec.h"
#include "volmar/core/Protocol.h"
#include "volmar/core/Rules.h"

#include <array>
#include <cstdint>
#include <string>

namespace volmar::device {

struct EncodeOutcome {
    // Empty when the image may be written; otherwise the text to show (the
    // report line of an invalid configuration, or a conversion error).
    std::string refusal;
    RunOutcome run; // message boxes of validation and the encoder, in order
    // image() holds this configuration: true also for an invalid one, false
    // when the encoder stopped on a conversion error.
    bool encoded = false;
    bool ok() const { return refusal.empty(); }
};

class ConfigDocument {
public:
    virtual ~ConfigDocument() = default;

    // ConfigImage: the last image read, encoded or loaded.
    virtual const ConfigImage& image() const = 0;

    // Takes an image read from the controller: decode, axis rules, validation.
    virtual RunOutcome loadImage(const ConfigImage& image, bool connected) = 0;

    // Validation then the encoder into image().
    virtual EncodeOutcome encodeImage(bool connected) = 0;

    // Validation alone (after a click on the device list).
    virtual RunOutcome validate(bool connected) = 0;

    // slv_port's entry (0 or -1: no hub port).
    virtual int hubPort() const = 0;
    // slv_type1..4 as frame bytes (0xFF for a list without selection).
    virtual std::array<std::uint8_t, protocol::kHubSlaves> hubTypes() const = 0;
    // Selects the loaded types (a value above 2 leaves no selection) and runs
    // the axis rules.
    virtual RunOutcome setHubTypes(const std::array<std::uint8_t, protocol::kHubSlaves>& types,
                                   bool connected) = 0;
};

// The document over a ConfigState the caller owns.
class StateDocument : public ConfigDocument {
public:
    StateDocument(ConfigState& state, const TRecordLng& lng) : m_state(state), m_lng(lng) {}

    const ConfigImage& image() const override { return m_image; }
    RunOutcome loadImage(const ConfigImage& image, bool connected) override;
    EncodeOutcome encodeImage(bool connected) override;
    RunOutcome validate(bool connected) override;
    int hubPort() const override { return m_state.slv_port; }
    std::array<std::uint8_t, protocol::kHubSlaves> hubTypes() const override;
    RunOutcome setHubTypes(const std::array<std::uint8_t, protocol::kHubSlaves>& types,
                           bool connected) override;

    const DescriptorLog& descriptorLog() const { return m_log; }
    ConfigState& state() { return m_state; }

private:
    ConfigState& m_state;
    const TRecordLng& m_lng;
    ConfigImage m_image{};
    DescriptorLog m_log = DescriptorLog(kDescriptorLogLines);
};

} // namespace volmar::device
