#include "volmar/vhid/Server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace volmar::vhid {

namespace {

bool fillAddress(const std::filesystem::path& path, sockaddr_un& addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    const std::string s = path.string();
    if (s.empty() || s.size() >= sizeof(addr.sun_path)) {
        return false;
    }
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return true;
}

// The fallback folder lives in /tmp, where anyone could have placed a
// directory or link of that name first: only a real directory we own and
// nobody else can write to is used.
int ensurePrivateDir(const std::filesystem::path& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return errno;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        return errno;
    }
    if (!S_ISDIR(st.st_mode)) {
        return ENOTDIR;
    }
    if (st.st_uid != ::getuid() || (st.st_mode & 0022) != 0) {
        return EACCES;
    }
    return 0;
}

int ensureFolder(const std::filesystem::path& folder) {
    // Parents first; each level we create is private.
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        struct stat st {};
        if (::lstat(partial.c_str(), &st) == 0) {
            continue;
        }
        const int rc = ensurePrivateDir(partial);
        if (rc != 0) {
            return rc;
        }
    }
    return ensurePrivateDir(folder);
}

// A socket file nobody listens on is what a crashed device leaves behind.
int clearStale(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISSOCK(st.st_mode)) {
        return EEXIST;
    }
    sockaddr_un addr{};
    if (!fillAddress(path, addr)) {
        return ENAMETOOLONG;
    }
    // Non-blocking, so that a device that is alive but stuck (its backlog
    // full) cannot hold up the start of another one; EAGAIN then means that
    // somebody still listens.
    const sysio::UniqueFd probe(
        ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!probe) {
        return errno;
    }
    const int rc = ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
    const int err = errno;
    if (rc == 0 || err == EAGAIN) {
        return EADDRINUSE;
    }
    if (err != ECONNREFUSED) {
        return err;
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return errno;
    }
    return 0;
}

} // namespace

Result<std::unique_ptr<Server>> Server::listen(const std::filesystem::path& socketPath,
                                               DeviceInfo info) {
    const std::filesystem::path folder = socketPath.parent_path();
    std::string tempName = ".";
    tempName += socketPath.filename().string();
    tempName += '.';
    tempName += std::to_string(::getpid());
    const std::filesystem::path temp = folder / tempName;
    sockaddr_un finalAddr{};
    sockaddr_un tempAddr{};
    if (!fillAddress(socketPath, finalAddr) || !fillAddress(temp, tempAddr)) {
        return Error::fromErrno(ENAMETOOLONG);
    }
    // Every client would drop an Info packet it cannot take.
    if (kHeaderSize + encodeInfo(info).size() > kMaxMessage) {
        return Error::fromErrno(EMSGSIZE);
    }
    int rc = folder.empty() ? 0 : ensureFolder(folder);
    if (rc == 0) {
        rc = clearStale(socketPath);
    }
    if (rc != 0) {
        return Error::fromErrno(rc);
    }
    sysio::UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) {
        return Error::fromErrno(errno);
    }
    ::unlink(temp.c_str()); // our own leftover from an earlier run with this pid
    // Bound and listening under a hidden name first, then renamed into place:
    // a watcher of the folder never finds a socket that refuses connections.
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&tempAddr), sizeof(tempAddr)) != 0 ||
        ::listen(fd.get(), 16) != 0 || ::rename(temp.c_str(), socketPath.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Error::fromErrno(err);
    }
    return std::unique_ptr<Server>(new Server(std::move(fd), socketPath, std::move(info)));
}

Server::Server(sysio::UniqueFd listenFd, std::filesystem::path path, DeviceInfo info)
    : m_listenFd(std::move(listenFd)), m_path(std::move(path)), m_info(std::move(info)) {}

Server::~Server() {
    unplug();
}

void Server::addPollFds(std::vector<pollfd>& fds) const {
    if (m_listenFd) {
        fds.push_back(pollfd{m_listenFd.get(), POLLIN, 0});
    }
    for (const auto& [id, conn] : m_connections) {
        const short events = conn.out.empty() ? POLLIN : static_cast<short>(POLLIN | POLLOUT);
        fds.push_back(pollfd{conn.fd.get(), events, 0});
    }
}

std::size_t Server::subscriberCount() const {
    std::size_t n = 0;
    for (const auto& [id, conn] : m_connections) {
        n += conn.subscribed ? 1 : 0;
    }
    return n;
}

void Server::process(std::vector<Request>& requests) {
    acceptPending();
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        Connection& conn = it->second;
        if (!readPending(it->first, conn, requests) || !flush(conn)) {
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::acceptPending() {
    if (!m_listenFd) {
        return;
    }
    for (;;) {
        sysio::UniqueFd fd(
            ::accept4(m_listenFd.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) {
            // EAGAIN: nothing more waiting. Other errors (a client that gave
            // up before we accepted it, fd exhaustion) affect only that
            // client; the device stays plugged in.
            return;
        }
        if (m_connections.size() >= kMaxConnections) {
            continue; // closed as it goes
        }
        Connection conn;
        conn.fd = std::move(fd);
        Message info;
        info.type = MsgType::Info;
        info.payload = encodeInfo(m_info);
        conn.out.push_back(std::move(info));
        const ConnectionId id = m_nextId++;
        auto [it, inserted] = m_connections.emplace(id, std::move(conn));
        if (!flush(it->second)) {
            m_connections.erase(it);
        }
    }
}

bool Server::readPending(ConnectionId id, Connection& conn, std::vector<Request>& requests) {
    std::vector<std::uint8_t> buffer(kMaxMessage + 1);
    // A bounded number per call: one client sending without pause must not
    // keep the others (and the input reports) waiting.
    for (std::size_t packets = 0; packets < kMaxReadPerCall; ++packets) {
        const ssize_t n = ::recv(conn.fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n == 0) {
            return false; // closed by the client
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        std::optional<Message> msg =
            decodeMessage(std::span(buffer.data(), static_cast<std::size_t>(n)));
        if (!msg) {
            continue;
        }
        switch (msg->type) {
        case MsgType::Subscribe:
            conn.subscribed = true;
            break;
        case MsgType::SetFeature:
        case MsgType::GetFeature:
            requests.push_back(Request{id, std::move(*msg)});
            break;
        default:
            break; // device-to-client types are meaningless here
        }
    }
    return true;
}

bool Server::flush(Connection& conn) {
    while (!conn.out.empty()) {
        const std::vector<std::uint8_t> packet = encodeMessage(conn.out.front());
        const ssize_t n =
            ::send(conn.fd.get(), packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        conn.out.pop_front();
    }
    return true;
}

bool Server::enqueue(Connection& conn, Message msg) {
    if (conn.out.size() >= kMaxQueued) {
        const auto input = std::find_if(conn.out.begin(), conn.out.end(),
                                        [](const Message& m) { return m.type == MsgType::Input; });
        if (input != conn.out.end()) {
            conn.out.erase(input);
        } else if (msg.type == MsgType::Input) {
            return true; // dropped: the reader is behind
        } else {
            // Replies piling up: a client that sends requests but never
            // reads. Hanging up bounds what it can make the device hold.
            return false;
        }
    }
    conn.out.push_back(std::move(msg));
    return true;
}

void Server::send(ConnectionId connection, const Message& msg) {
    auto it = m_connections.find(connection);
    if (it == m_connections.end()) {
        return;
    }
    if (!enqueue(it->second, msg) || !flush(it->second)) {
        m_connections.erase(it);
    }
}

void Server::broadcastInput(std::span<const std::uint8_t> report) {
    Message msg;
    msg.type = MsgType::Input;
    msg.payload.assign(report.begin(), report.end());
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        Connection& conn = it->second;
        if (conn.subscribed) {
            if (!enqueue(conn, msg) || !flush(conn)) {
                it = m_connections.erase(it);
                continue;
            }
        }
        ++it;
    }
}

void Server::unplug() {
    if (m_listenFd) {
        // The file goes first: a client that has just seen its connection
        // close must not find the device still listed.
        ::unlink(m_path.c_str());
        m_listenFd.reset();
    }
    for (auto& [id, conn] : m_connections) {
        flush(conn);
    }
    m_connections.clear();
}

} // namespace volmar::vhid
