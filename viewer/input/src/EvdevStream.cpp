#include "EvdevStream.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace volmar::input {

EvdevStream::EvdevStream(sysio::UniqueFd fd, EvdevLayout layout, SnapshotFn snapshot)
    : m_fd(std::move(fd)), m_layout(std::move(layout)), m_decoder(m_layout),
      m_snapshot(std::move(snapshot)) {}

PumpStatus EvdevStream::pump(FrameSink& sink) {
    std::array<input_event, 64> buffer{};
    auto* bytes = reinterpret_cast<char*>(buffer.data());
    PumpStatus status = PumpStatus::Ok;
    for (;;) {
        // A kernel node hands out whole records; a pipe may split one, so a
        // partial record waits for the rest.
        std::memcpy(bytes, m_partial.data(), m_partialBytes);
        const ssize_t n =
            ::read(m_fd.get(), bytes + m_partialBytes, sizeof buffer - m_partialBytes);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return status;
            }
            m_error = std::strerror(errno); // ENODEV: unplugged
            return PumpStatus::Gone;
        }
        if (n == 0) {
            m_error = std::strerror(ENODEV);
            return PumpStatus::Gone;
        }
        const std::size_t total = m_partialBytes + static_cast<std::size_t>(n);
        const std::size_t count = total / sizeof(input_event);
        m_partialBytes = total % sizeof(input_event);
        std::memcpy(m_partial.data(), bytes + count * sizeof(input_event), m_partialBytes);
        if (m_decoder.feed(std::span(buffer.data(), count), sink) == PumpStatus::Dropped) {
            status = PumpStatus::Dropped;
        }
    }
}

bool EvdevStream::snapshot(std::vector<std::int32_t>& values) {
    EvdevCaps caps;
    if (!m_snapshot) {
        return false;
    }
    if (const Status taken = m_snapshot(caps); !taken) {
        m_error = taken.error().text;
        return false;
    }
    m_decoder.syncHats(caps);
    values = evdevValues(m_layout, caps);
    return true;
}

} // namespace volmar::input
