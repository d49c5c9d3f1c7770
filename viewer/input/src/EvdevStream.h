#pragma once

// A Source reading input_event records from a descriptor (a kernel evdev
// node or a scripted pipe) through the shared decoder.

#include "volmar/input/Evdev.h"
#include "volmar/sysio/Fd.h"

#include <array>
#include <functional>
#include <string>

namespace volmar::input {

class EvdevStream : public Source {
public:
    using SnapshotFn = std::function<Status(EvdevCaps&)>;

    // fd is non-blocking.
    EvdevStream(sysio::UniqueFd fd, EvdevLayout layout, SnapshotFn snapshot);

    const std::vector<ObjectDesc>& objects() const override { return m_layout.objects; }
    int fd() const override { return m_fd.get(); }
    PumpStatus pump(FrameSink& sink) override;
    bool snapshot(std::vector<std::int32_t>& values) override;
    std::string error() const override { return m_error; }

private:
    sysio::UniqueFd m_fd;
    EvdevLayout m_layout;
    EvdevDecoder m_decoder;
    SnapshotFn m_snapshot;
    std::string m_error;
    std::array<char, sizeof(input_event)> m_partial{};
    std::size_t m_partialBytes = 0;
};

} // namespace volmar::input
