#include "volmar/vhid/Client.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace volmar::vhid {

namespace {

using SteadyClock = std::chrono::steady_clock;

int remainingMs(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

SteadyClock::time_point deadlineAfter(int timeoutMs) {
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
}

// Waits for `events` on fd until the deadline: 0 when ready, ETIMEDOUT, or
// the errno of poll(). Hang-up counts as ready so the caller reads the EOF.
int waitFor(int fd, short events, SteadyClock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, events, 0};
        const int n = ::poll(&pfd, 1, remainingMs(deadline));
        if (n > 0) {
            return 0;
        }
        if (n == 0) {
            return ETIMEDOUT;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

bool isDisconnect(int err) {
    return err == EPIPE || err == ECONNRESET || err == ENOTCONN || err == ECONNREFUSED;
}

// A status from the device that is not an errno value is a protocol fault,
// not something to hand to strerror as if the system had said it.
int checkedStatus(std::span<const std::uint8_t> payload) {
    const std::uint32_t raw = static_cast<std::uint32_t>(payload[0]) |
                              (static_cast<std::uint32_t>(payload[1]) << 8) |
                              (static_cast<std::uint32_t>(payload[2]) << 16) |
                              (static_cast<std::uint32_t>(payload[3]) << 24);
    return raw > 4095 ? EPROTO : static_cast<int>(raw);
}

} // namespace

Result<std::unique_ptr<Client>> Client::connect(const std::filesystem::path& socket) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = socket.string();
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        return Error::fromErrno(ENAMETOOLONG);
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    // Non-blocking: a device process that is stopped or stuck stops
    // accepting, and once its backlog is full a blocking connect() would
    // wait for ever. Here it fails at once (EAGAIN); every later wait of
    // the client has a deadline anyway.
    sysio::UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) {
        return Error::fromErrno(errno);
    }
    std::unique_ptr<Client> client(new Client(std::move(fd)));
    if (::connect(client->fd(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        return Error::fromErrno(errno);
    }
    // The device speaks first; a peer that sends anything else is not one.
    Message info;
    const int rc = client->receiveMessage(info, 2000);
    if (rc != 0) {
        return Error::fromErrno(rc);
    }
    std::optional<DeviceInfo> decoded;
    if (info.type == MsgType::Info) {
        decoded = decodeInfo(info.payload);
    }
    if (!decoded) {
        return Error::fromErrno(EPROTO);
    }
    client->m_info = std::move(*decoded);
    return client;
}

Client::~Client() = default;

int Client::sendMessage(const Message& msg, int timeoutMs) {
    if (m_gone) {
        return ENODEV;
    }
    const std::vector<std::uint8_t> packet = encodeMessage(msg);
    if (packet.size() > kMaxMessage) {
        return EMSGSIZE;
    }
    const auto deadline = deadlineAfter(timeoutMs);
    for (;;) {
        const ssize_t n =
            ::send(m_fd.get(), packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n == static_cast<ssize_t>(packet.size())) {
            return 0;
        }
        if (n >= 0) {
            return EIO; // a packet socket never sends part of a packet
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const int rc = waitFor(m_fd.get(), POLLOUT, deadline);
            if (rc != 0) {
                return rc;
            }
            continue;
        }
        if (isDisconnect(errno)) {
            m_gone = true;
            return ENODEV;
        }
        return errno;
    }
}

int Client::receiveWaiting(Message& msg) {
    if (m_gone) {
        return ENODEV;
    }
    // On the stack, not zeroed: this runs for every report of a 1 kHz device.
    std::array<std::uint8_t, kMaxMessage + 1> buffer;
    for (;;) {
        const ssize_t n = ::recv(m_fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n == 0) {
            m_gone = true;
            return ENODEV;
        }
        if (n > 0) {
            std::optional<Message> decoded =
                decodeMessage(std::span(buffer.data(), static_cast<std::size_t>(n)));
            if (decoded) {
                msg = std::move(*decoded);
                return 0;
            }
            continue; // malformed or oversized packet: dropped
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return EAGAIN;
        }
        if (isDisconnect(errno)) {
            m_gone = true;
            return ENODEV;
        }
        return errno;
    }
}

int Client::receiveMessage(Message& msg, int timeoutMs) {
    const auto deadline = deadlineAfter(timeoutMs);
    for (;;) {
        const int rc = receiveWaiting(msg);
        if (rc != EAGAIN) {
            return rc;
        }
        const int waited = waitFor(m_fd.get(), POLLIN, deadline);
        if (waited != 0) {
            return waited;
        }
    }
}

void Client::queueInput(std::vector<std::uint8_t> report) {
    if (!m_subscribed) {
        return;
    }
    if (m_input.size() >= kMaxQueuedInput) {
        m_input.pop_front();
    }
    m_input.push_back(std::move(report));
}

int Client::exchange(const Message& request, Message& reply, int timeoutMs) {
    const auto deadline = deadlineAfter(timeoutMs);
    int rc = sendMessage(request, timeoutMs);
    if (rc != 0) {
        return rc;
    }
    const MsgType expected =
        request.type == MsgType::SetFeature ? MsgType::SetFeatureReply : MsgType::GetFeatureReply;
    for (;;) {
        Message msg;
        rc = receiveMessage(msg, remainingMs(deadline));
        if (rc != 0) {
            return rc;
        }
        if (msg.type == MsgType::Input) {
            queueInput(std::move(msg.payload));
            continue;
        }
        // A late reply to an earlier request that timed out carries an older
        // tag; it must not be taken for this one.
        if (msg.type == expected && msg.tag == request.tag) {
            reply = std::move(msg);
            return 0;
        }
    }
}

Status Client::setFeature(std::span<const std::uint8_t> report, int timeoutMs) {
    if (report.empty()) {
        return Error::fromErrno(EINVAL);
    }
    Message request;
    request.type = MsgType::SetFeature;
    request.tag = m_nextTag++;
    if (m_nextTag == 0) {
        m_nextTag = 1; // tag 0 belongs to unasked messages
    }
    request.payload.assign(report.begin(), report.end());
    Message reply;
    const int rc = exchange(request, reply, timeoutMs);
    return errnoStatus(rc != 0 ? rc : checkedStatus(reply.payload));
}

Status Client::getFeature(std::uint8_t reportId, std::size_t length,
                          std::vector<std::uint8_t>& report, int timeoutMs) {
    report.clear();
    if (length == 0 || length > 0xFFFF) {
        return Error::fromErrno(EINVAL);
    }
    Message request;
    request.type = MsgType::GetFeature;
    request.tag = m_nextTag++;
    if (m_nextTag == 0) {
        m_nextTag = 1;
    }
    request.payload = {reportId, static_cast<std::uint8_t>(length & 0xFF),
                       static_cast<std::uint8_t>(length >> 8)};
    Message reply;
    const int rc = exchange(request, reply, timeoutMs);
    if (rc != 0) {
        return Error::fromErrno(rc);
    }
    if (const int status = checkedStatus(reply.payload); status != 0) {
        return Error::fromErrno(status);
    }
    // Like a HID node, never hand back more than the caller asked for.
    const std::size_t n = std::min(reply.payload.size() - 4, length);
    report.assign(reply.payload.begin() + 4, reply.payload.begin() + 4 + static_cast<long>(n));
    return {};
}

Status Client::subscribe() {
    Message request;
    request.type = MsgType::Subscribe;
    const int rc = sendMessage(request, 1000);
    if (rc == 0) {
        m_subscribed = true;
    }
    return errnoStatus(rc);
}

Status Client::readInput(std::vector<std::uint8_t>& report, int timeoutMs) {
    if (!m_input.empty()) {
        report = std::move(m_input.front());
        m_input.pop_front();
        return {};
    }
    const auto deadline = deadlineAfter(timeoutMs);
    for (;;) {
        Message msg;
        const int rc = receiveMessage(msg, remainingMs(deadline));
        if (rc != 0) {
            return Error::fromErrno(rc);
        }
        if (msg.type == MsgType::Input) {
            report = std::move(msg.payload);
            return {};
        }
        // Replies without a waiting request (after a timeout) are dropped.
    }
}

Result<bool> Client::takeInput(std::vector<std::uint8_t>& report) {
    if (!m_input.empty()) {
        report = std::move(m_input.front());
        m_input.pop_front();
        return true;
    }
    for (;;) {
        Message msg;
        const int rc = receiveWaiting(msg);
        if (rc == EAGAIN) {
            return false;
        }
        if (rc != 0) {
            return Error::fromErrno(rc);
        }
        if (msg.type == MsgType::Input) {
            report = std::move(msg.payload);
            return true;
        }
        // Replies without a waiting request (after a timeout) are dropped.
    }
}

} // namespace volmar::vhid
