#pragma once

// Device side of the transport (see Wire.h): the listening socket of one
// virtual device and its connections, non-blocking, driven by the owner's
// poll() loop. No threads; nothing here sleeps.

#include "volmar/sysio/Fd.h"
#include "volmar/vhid/Wire.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct pollfd;

namespace volmar::vhid {

class Server {
public:
    using ConnectionId = std::uint64_t;

    struct Request {
        ConnectionId connection = 0;
        Message message; // SetFeature or GetFeature
    };

    // Creates the folder if needed and plugs the device in as `socketPath`.
    // The file appears only once the socket accepts connections, so a folder
    // watcher never sees a device it cannot open. A stale file left by a
    // crashed device is replaced; a live one is not (error "Address already
    // in use"). A failure carries the errno value of what failed.
    static Result<std::unique_ptr<Server>> listen(const std::filesystem::path& socketPath,
                                                  DeviceInfo info);
    ~Server(); // unplugs
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    const DeviceInfo& info() const { return m_info; }

    // Descriptors to wait on: the listener and every connection (POLLOUT too
    // while a connection has queued messages).
    void addPollFds(std::vector<pollfd>& fds) const;
    // Accepts, reads and flushes whatever is ready without blocking; the
    // feature requests received are appended to `requests` in arrival order.
    // Subscribe is handled here; malformed packets are dropped.
    void process(std::vector<Request>& requests);

    // Queues a message to one connection; ignored when it has gone.
    void send(ConnectionId connection, const Message& msg);
    // One input report to every subscribed connection. A reader that does not
    // keep up loses its oldest reports, never the replies.
    void broadcastInput(std::span<const std::uint8_t> report);

    std::size_t connectionCount() const { return m_connections.size(); }
    std::size_t subscriberCount() const;

    // Sends what can go without waiting, closes every connection and the
    // listener and removes the socket file. Idempotent.
    void unplug();

    // Messages waiting for one slow connection; beyond it input reports are
    // dropped, and a client that lets replies pile up is disconnected.
    static constexpr std::size_t kMaxQueued = 512;
    // Open connections at most; one more is closed as soon as it is
    // accepted (its client sees the device go), so that clients which never
    // hang up cannot use up the device's file descriptors, which it also
    // needs for its own files.
    static constexpr std::size_t kMaxConnections = 64;
    static constexpr std::size_t kMaxReadPerCall = 64;

private:
    struct Connection {
        sysio::UniqueFd fd;
        bool subscribed = false;
        std::deque<Message> out;
    };

    Server(sysio::UniqueFd listenFd, std::filesystem::path path, DeviceInfo info);
    void acceptPending();
    // false when the connection has to be closed
    bool readPending(ConnectionId id, Connection& conn, std::vector<Request>& requests);
    bool flush(Connection& conn);
    // false when the connection has to be closed
    bool enqueue(Connection& conn, Message msg);

    sysio::UniqueFd m_listenFd;
    std::filesystem::path m_path;
    DeviceInfo m_info;
    ConnectionId m_nextId = 1;
    std::map<ConnectionId, Connection> m_connections;
};

} // namespace volmar::vhid
