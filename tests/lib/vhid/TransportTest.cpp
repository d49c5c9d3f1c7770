// Client against Server over real sockets, the device side driven by a poll
// loop on its own thread, as volmar-sim drives it.
#include "volmar/vhid/Client.h"
#include "volmar/vhid/Server.h"

#include "TempDir.h"

#include "ResultAssert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace volmar::vhid {
namespace {

using volmar::test::errorCode;

using Bytes = std::vector<std::uint8_t>;
using Request = Server::Request;

Message statusReply(const Request& r, std::uint32_t status, const Bytes& report = {}) {
    Message m;
    m.type =
        r.message.type == MsgType::SetFeature ? MsgType::SetFeatureReply : MsgType::GetFeatureReply;
    m.tag = r.message.tag;
    const std::size_t extra = m.type == MsgType::GetFeatureReply ? report.size() : 0;
    m.payload.assign(4 + extra, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        m.payload[i] = static_cast<std::uint8_t>(status >> (8 * i));
    }
    std::copy(report.begin(), report.begin() + static_cast<long>(extra), m.payload.begin() + 4);
    return m;
}

sockaddr_un unixAddress(const std::filesystem::path& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    return addr;
}

// A raw socket bound at `path`, for peers that are no proper device.
int boundSocket(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    const sockaddr_un addr = unixAddress(path);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)), 0);
    return fd;
}

// Runs a Server on a private thread. The handler runs on that thread and
// decides what to do with each request (reply, stay silent, unplug).
class Device {
public:
    using Handler = std::function<void(Server&, const Request&)>;

    Device(const std::filesystem::path& path, Handler handler) : m_handler(std::move(handler)) {
        DeviceInfo info;
        info.vendorId = 0x8888;
        info.productId = 0x8888;
        info.product = "Volmar2";
        info.serial = "Volmar2-20161101";
        info.reportDescriptor = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0xC0};
        auto server = Server::listen(path, info);
        if (!server) {
            ADD_FAILURE() << "listen: " << server.error().text;
            return;
        }
        m_server = std::move(*server);
        m_thread = std::thread([this] { run(); });
    }
    ~Device() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // Runs fn on the device thread between two polls.
    void post(std::function<void(Server&)> fn) {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(fn));
    }
    bool ok() const { return m_server != nullptr; }

private:
    void run() {
        while (!m_stop) {
            std::vector<pollfd> fds;
            m_server->addPollFds(fds);
            ::poll(fds.data(), fds.size(), 5);
            std::vector<Request> requests;
            m_server->process(requests);
            for (const Request& r : requests) {
                m_handler(*m_server, r);
            }
            std::vector<std::function<void(Server&)>> posted;
            {
                std::lock_guard lock(m_mutex);
                posted.swap(m_posted);
            }
            for (auto& fn : posted) {
                fn(*m_server);
            }
        }
    }

    Handler m_handler;
    std::unique_ptr<Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::function<void(Server&)>> m_posted;
};

class VhidTransport : public ::testing::Test {
protected:
    std::filesystem::path socketPath() const { return m_dir / "dev.sock"; }
    std::unique_ptr<Client> connectOrFail() {
        auto client = Client::connect(socketPath());
        EXPECT_TRUE(volmar::test::isOk(client));
        return client ? std::move(*client) : nullptr;
    }
    test::TempDir m_dir;
};

// A device that echoes sets into a store and answers gets from it.
Device::Handler echoHandler(std::shared_ptr<Bytes> store) {
    return [store](Server& s, const Request& r) {
        if (r.message.type == MsgType::SetFeature) {
            *store = r.message.payload;
            s.send(r.connection, statusReply(r, 0));
        } else {
            Bytes report = *store;
            report.resize(r.message.payload[1] | (r.message.payload[2] << 8));
            report[0] = r.message.payload[0];
            s.send(r.connection, statusReply(r, 0, report));
        }
    };
}

TEST_F(VhidTransport, ConnectReadsTheDeviceInfoAndSetThenGetCarriesTheReportBytes) {
    Device dev(socketPath(), echoHandler(std::make_shared<Bytes>()));
    ASSERT_TRUE(dev.ok());
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->info().vendorId, 0x8888);
    EXPECT_EQ(client->info().serial, "Volmar2-20161101");
    EXPECT_EQ(client->info().reportDescriptor.size(), 7u);
    Bytes frame(38, 0);
    frame[0] = 1;
    frame[1] = 1;
    frame[4] = 32;
    frame[37] = 0x77;
    ASSERT_EQ(errorCode(client->setFeature(frame)), 0);
    Bytes got;
    ASSERT_EQ(errorCode(client->getFeature(1, 38, got)), 0);
    EXPECT_EQ(got, frame);
}

TEST_F(VhidTransport, LongerReplyIsCutToTheRequestedLength) {
    Device dev(socketPath(), [](Server& s, const Request& r) {
        s.send(r.connection, statusReply(r, 0, Bytes(194, 2)));
    });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    Bytes got;
    ASSERT_EQ(errorCode(client->getFeature(2, 38, got)), 0);
    EXPECT_EQ(got.size(), 38u);
}

struct StatusCase {
    std::uint32_t sent;
    int expected;
};

class VhidTransportStatus : public VhidTransport,
                            public ::testing::WithParamInterface<StatusCase> {};

TEST_P(VhidTransportStatus, DeviceStatusReachesTheCaller) {
    const std::uint32_t status = GetParam().sent;
    Device dev(socketPath(), [status](Server& s, const Request& r) {
        s.send(r.connection, statusReply(r, status, Bytes(38, 9)));
    });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(errorCode(client->setFeature(Bytes(38, 1))), GetParam().expected);
    Bytes got{1, 2, 3};
    EXPECT_EQ(errorCode(client->getFeature(1, 38, got)), GetParam().expected);
    if (GetParam().expected != 0) {
        EXPECT_TRUE(got.empty()) << "a failed get must not hand back stale bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Statuses, VhidTransportStatus,
                         ::testing::Values(StatusCase{0, 0}, StatusCase{EPIPE, EPIPE},
                                           StatusCase{ETIMEDOUT, ETIMEDOUT},
                                           StatusCase{0x10000, EPROTO},
                                           StatusCase{0xFFFFFFFF, EPROTO}));

TEST_F(VhidTransport, SilentDeviceTimesOutAndItsLateReplyIsNotTakenForTheNextRequest) {
    std::atomic<int> seen{0};
    std::vector<Request> held; // device thread only
    Device dev(socketPath(), [&](Server& s, const Request& r) {
        if (seen++ == 0) {
            held.push_back(r); // first request: answer only with the second
            return;
        }
        s.send(held[0].connection, statusReply(held[0], 0, Bytes(38, 0xAA)));
        s.send(r.connection, statusReply(r, 0, Bytes(38, 0xBB)));
    });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    Bytes got;
    EXPECT_EQ(errorCode(client->getFeature(1, 38, got, 50)), ETIMEDOUT);
    ASSERT_EQ(errorCode(client->getFeature(1, 38, got)), 0);
    EXPECT_EQ(got, Bytes(38, 0xBB));
}

TEST_F(VhidTransport, UnplugDuringATransferGivesEnodevFromThenOn) {
    Device dev(socketPath(), [](Server& s, const Request&) { s.unplug(); });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(errorCode(client->setFeature(Bytes(38, 1))), ENODEV);
    Bytes got;
    EXPECT_EQ(errorCode(client->getFeature(1, 38, got)), ENODEV);
    EXPECT_EQ(errorCode(client->readInput(got, 10)), ENODEV);
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
}

TEST_F(VhidTransport, InputReportsReachSubscribersOnly) {
    Device dev(socketPath(), echoHandler(std::make_shared<Bytes>()));
    auto reader = connectOrFail();
    auto other = connectOrFail();
    ASSERT_TRUE(reader && other);
    ASSERT_EQ(errorCode(reader->subscribe()), 0);
    // Subscribe has no reply: a round trip makes sure the device handled it.
    ASSERT_EQ(errorCode(reader->setFeature(Bytes(38, 1))), 0);
    dev.post([](Server& s) { s.broadcastInput(Bytes{1, 0x10, 0x20}); });
    Bytes got;
    ASSERT_EQ(errorCode(reader->readInput(got, 2000)), 0);
    EXPECT_EQ(got, (Bytes{1, 0x10, 0x20}));
    EXPECT_EQ(errorCode(other->readInput(got, 50)), ETIMEDOUT);
}

TEST_F(VhidTransport, InputArrivingDuringAnExchangeIsKeptForTheReader) {
    Device dev(socketPath(), [](Server& s, const Request& r) {
        s.broadcastInput(Bytes{1, 0x42});
        s.send(r.connection, statusReply(r, 0));
    });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(errorCode(client->subscribe()), 0);
    ASSERT_EQ(errorCode(client->setFeature(Bytes(38, 1))), 0);
    Bytes got;
    ASSERT_EQ(errorCode(client->readInput(got, 0)), 0);
    EXPECT_EQ(got, (Bytes{1, 0x42}));
}

// A reader that polls the socket itself takes what waits and never blocks:
// input kept during an exchange first, then the socket's reports in order,
// a reply nobody waits for skipped, and nothing waiting is no error.
TEST_F(VhidTransport, TakingInputHandsOutWhatWaitsInOrderWithoutWaiting) {
    Device dev(socketPath(), [](Server& s, const Request& r) {
        s.broadcastInput(Bytes{1, 0x01});
        s.send(r.connection, statusReply(r, 0));
        s.broadcastInput(Bytes{1, 0x02});
        s.send(r.connection, statusReply(r, 0)); // a late second reply
        s.broadcastInput(Bytes{1, 0x03});
    });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(errorCode(client->subscribe()), 0);
    ASSERT_EQ(errorCode(client->setFeature(Bytes(38, 1))), 0);
    std::vector<Bytes> got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.size() < 3 && std::chrono::steady_clock::now() < end) {
        Bytes report;
        const Result<bool> taken = client->takeInput(report);
        ASSERT_TRUE(volmar::test::isOk(taken));
        if (*taken) {
            got.push_back(report);
        } else {
            pollfd pfd{client->fd(), POLLIN, 0};
            ::poll(&pfd, 1, 100);
        }
    }
    EXPECT_EQ(got, (std::vector<Bytes>{{1, 0x01}, {1, 0x02}, {1, 0x03}}));
    Bytes report{9};
    const Result<bool> none = client->takeInput(report);
    ASSERT_TRUE(volmar::test::isOk(none));
    EXPECT_FALSE(*none);
    EXPECT_EQ(report, Bytes{9}); // untouched when nothing was taken

    dev.post([](Server& s) { s.unplug(); });
    pollfd pfd{client->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 5000), 1);
    EXPECT_EQ(errorCode(client->takeInput(report)), ENODEV);
    EXPECT_EQ(errorCode(client->takeInput(report)), ENODEV);
}

TEST_F(VhidTransport, ArgumentsOutsideTheWireAreRefusedLocally) {
    Device dev(socketPath(), echoHandler(std::make_shared<Bytes>()));
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    Bytes got;
    EXPECT_EQ(errorCode(client->setFeature(Bytes{})), EINVAL);
    EXPECT_EQ(errorCode(client->getFeature(1, 0, got)), EINVAL);
    EXPECT_EQ(errorCode(client->getFeature(1, 0x10000, got)), EINVAL);
    EXPECT_EQ(errorCode(client->setFeature(Bytes(kMaxMessage, 1))), EMSGSIZE);
    // the connection is still usable afterwards
    EXPECT_EQ(errorCode(client->setFeature(Bytes(38, 1))), 0);
}

TEST_F(VhidTransport, ConnectToNothingGivesTheSystemText) {
    EXPECT_EQ(errorCode(Client::connect(socketPath())), ENOENT);
}

TEST_F(VhidTransport, ConnectToSomethingThatIsNoDeviceIsAProtocolError) {
    // A listener that greets with a packet that is not an Info message.
    const int fd = boundSocket(socketPath());
    ASSERT_EQ(::listen(fd, 1), 0);
    std::thread peer([fd] {
        const int c = ::accept(fd, nullptr, nullptr);
        const std::uint8_t junk[] = {3, 0, 0, 0, 0, 0, 0, 0, 0};
        ::send(c, junk, sizeof(junk), MSG_NOSIGNAL);
        std::uint8_t buf[8];
        ::recv(c, buf, sizeof(buf), 0); // until the client hangs up
        ::close(c);
    });
    EXPECT_EQ(errorCode(Client::connect(socketPath())), EPROTO);
    peer.join();
    ::close(fd);
}

// A device process that is stopped (or stuck) keeps its socket but accepts
// nothing; once its backlog is full, neither a client looking at it nor a
// second device starting under its name may wait for ever.
TEST_F(VhidTransport, StuckDeviceWithAFullBacklogFailsFastInsteadOfHanging) {
    const int stuck = boundSocket(socketPath());
    const sockaddr_un addr = unixAddress(socketPath());
    ASSERT_EQ(::listen(stuck, 0), 0);
    // Fill the backlog with connections nobody accepts.
    std::vector<int> waiting;
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
            ::close(fd);
            break;
        }
        waiting.push_back(fd);
    }
    ASSERT_FALSE(waiting.empty());

    struct Outcome {
        std::atomic<bool> done{false};
        bool connected = true;
        std::string connectError;
        bool listened = true;
        std::string listenError;
    };
    auto out = std::make_shared<Outcome>();
    // On a thread of its own: if a call blocks, the test fails instead of
    // hanging the run (the thread is left behind, blocked).
    std::thread([out, path = socketPath()] {
        const auto connected = Client::connect(path);
        out->connected = connected.ok();
        out->connectError = volmar::test::errorText(connected);
        const auto listened = Server::listen(path, DeviceInfo{});
        out->listened = listened.ok();
        out->listenError = volmar::test::errorText(listened);
        out->done = true;
    }).detach();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!out->done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(out->done) << "connect or listen blocked on a device that accepts nothing";
    EXPECT_FALSE(out->connected);
    EXPECT_EQ(out->connectError, std::strerror(EAGAIN));
    EXPECT_FALSE(out->listened);
    EXPECT_EQ(out->listenError, std::strerror(EADDRINUSE));
    EXPECT_TRUE(std::filesystem::exists(socketPath()));
    for (int fd : waiting) {
        ::close(fd);
    }
    ::close(stuck);
}

TEST_F(VhidTransport, ConnectionsBeyondTheLimitAreTurnedAwayUntilOneCloses) {
    Device dev(socketPath(), echoHandler(std::make_shared<Bytes>(38, 1)));
    ASSERT_TRUE(dev.ok());
    std::vector<std::unique_ptr<Client>> clients;
    for (std::size_t i = 0; i < Server::kMaxConnections; ++i) {
        clients.push_back(connectOrFail());
        ASSERT_NE(clients.back(), nullptr) << "connection " << i;
    }
    EXPECT_EQ(errorCode(Client::connect(socketPath())), ENODEV);
    // those within the limit keep working
    EXPECT_EQ(errorCode(clients.front()->setFeature(Bytes(38, 2))), 0);
    clients.pop_back();
    auto again = Client::connect(socketPath());
    for (int attempt = 0; attempt < 100 && !again; ++attempt) {
        again = Client::connect(socketPath()); // once the close has been seen
    }
    EXPECT_TRUE(volmar::test::isOk(again));
}

TEST_F(VhidTransport, ListenReplacesAStaleSocketButNotALiveOneNorAPlainFile) {
    ::close(boundSocket(socketPath())); // unlinked by nobody: what a crashed device leaves
    auto first = Server::listen(socketPath(), DeviceInfo{});
    ASSERT_TRUE(volmar::test::isOk(first));
    EXPECT_EQ(errorCode(Server::listen(socketPath(), DeviceInfo{})), EADDRINUSE);
    EXPECT_TRUE(std::filesystem::exists(socketPath())) << "the live device must keep its file";
    first->reset();
    EXPECT_FALSE(std::filesystem::exists(socketPath()));

    const auto plain = m_dir / "plain.sock";
    { std::ofstream(plain) << "user data"; }
    EXPECT_EQ(errorCode(Server::listen(plain, DeviceInfo{})), EEXIST);
    EXPECT_TRUE(std::filesystem::is_regular_file(plain));
}

TEST_F(VhidTransport, ListenCreatesTheFolderAndLeavesNoHiddenFiles) {
    const auto path = m_dir / "a" / "b" / "dev.sock";
    auto server = Server::listen(path, DeviceInfo{});
    ASSERT_TRUE(volmar::test::isOk(server));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path.parent_path())) {
        names.push_back(e.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"dev.sock"});
}

TEST_F(VhidTransport, ListenRefusesASharedFolderAndAnInfoNoClientCouldReceive) {
    const auto shared = m_dir / "shared";
    std::filesystem::create_directory(shared);
    std::filesystem::permissions(shared, std::filesystem::perms::all);
    EXPECT_EQ(errorCode(Server::listen(shared / "dev.sock", DeviceInfo{})), EACCES);
    DeviceInfo info;
    info.reportDescriptor.assign(kMaxMessage, 0);
    EXPECT_EQ(errorCode(Server::listen(socketPath(), info)), EMSGSIZE);
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
}

TEST_F(VhidTransport, SlowReaderLosesOldInputButNeverAReply) {
    Device dev(socketPath(), [](Server& s, const Request& r) {
        for (std::size_t i = 0; i < Server::kMaxQueued * 4; ++i) {
            s.broadcastInput(Bytes{1, static_cast<std::uint8_t>(i)});
        }
        s.send(r.connection, statusReply(r, 0, Bytes(38, 0x5C)));
    });
    auto client = connectOrFail();
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(errorCode(client->subscribe()), 0);
    Bytes got;
    ASSERT_EQ(errorCode(client->getFeature(1, 38, got, 5000)), 0);
    EXPECT_EQ(got, Bytes(38, 0x5C));
}

TEST_F(VhidTransport, ClientThatNeverReadsItsRepliesIsDisconnected) {
    Device dev(socketPath(), echoHandler(std::make_shared<Bytes>(38, 1)));
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    const sockaddr_un addr = unixAddress(socketPath());
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)), 0);
    timeval tv{5, 0}; // a device that never hangs up fails the test, not the run
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    Message get;
    get.type = MsgType::GetFeature;
    get.payload = {1, 38, 0};
    const Bytes packet = encodeMessage(get);
    const int requests = 20000;
    int sent = 0;
    for (; sent < requests; ++sent) {
        if (::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) < 0) {
            break;
        }
    }
    // Whatever was queued before the hang-up may still arrive; then EOF.
    std::uint8_t buf[kMaxMessage];
    int replies = -1; // the Info packet
    ssize_t n = 0;
    while ((n = ::recv(fd, buf, sizeof(buf), 0)) > 0) {
        ++replies;
    }
    // EOF, or a reset when requests were still unread at the hang-up
    EXPECT_TRUE(n == 0 || errno == ECONNRESET)
        << "expected the device to hang up: " << std::strerror(errno);
    EXPECT_LT(replies, requests);
    ::close(fd);
}

} // namespace
} // namespace volmar::vhid
