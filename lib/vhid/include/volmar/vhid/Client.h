#pragma once

// Blocking client side of one connection to a virtual device (see Wire.h).
// One Client is one opened node: feature transfers on the calling thread, or,
// after subscribe(), a stream of input reports for a reader thread.

#include "volmar/sysio/Fd.h"
#include "volmar/vhid/Wire.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace volmar::vhid {

class Client {
public:
    // Connects and reads the Info packet; a failure carries the errno value
    // of the failing call.
    static Result<std::unique_ptr<Client>> connect(const std::filesystem::path& socket);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const DeviceInfo& info() const { return m_info; }
    int fd() const { return m_fd.get(); }

    // Failures carry an errno value: ENODEV once the device is gone,
    // ETIMEDOUT when no reply came within timeoutMs, or the device's status.
    Status setFeature(std::span<const std::uint8_t> report, int timeoutMs = 1000);
    // `report` is resized to the bytes returned (report id first).
    Status getFeature(std::uint8_t reportId, std::size_t length, std::vector<std::uint8_t>& report,
                      int timeoutMs = 1000);

    Status subscribe();
    // Waits up to timeoutMs for the next input report: `report` filled, or
    // ETIMEDOUT, or ENODEV when the device closed the connection.
    Status readInput(std::vector<std::uint8_t>& report, int timeoutMs);
    // The next input report if one is already waiting, without waiting or
    // making an error of its absence: true with `report` filled, false when
    // none is waiting, ENODEV once the device closed the connection. For a
    // reader that polls fd() itself.
    Result<bool> takeInput(std::vector<std::uint8_t>& report);

    // Input reports that arrived while a feature transfer waited for its reply
    // are kept here for readInput(); beyond this many the oldest are dropped,
    // as a HID node's input queue does.
    static constexpr std::size_t kMaxQueuedInput = 256;

private:
    explicit Client(sysio::UniqueFd fd) : m_fd(std::move(fd)) {}
    int exchange(const Message& request, Message& reply, int timeoutMs);
    int sendMessage(const Message& msg, int timeoutMs);
    // Next well-formed message within timeoutMs: 0, ETIMEDOUT or ENODEV.
    int receiveMessage(Message& msg, int timeoutMs);
    // Next well-formed message already waiting: 0, EAGAIN when none is,
    // ENODEV or another errno value.
    int receiveWaiting(Message& msg);
    void queueInput(std::vector<std::uint8_t> report);

    sysio::UniqueFd m_fd;
    std::uint32_t m_nextTag = 1;
    bool m_gone = false;
    bool m_subscribed = false;
    std::deque<std::vector<std::uint8_t>> m_input;
    DeviceInfo m_info;
};

} // namespace volmar::vhid
