#pragma once

// Shared pieces of the HID layer tests: a scripted backend for the list
// rules, a virtual device served from a test thread for the real transport,
// and a bounded wait that runs the event loop.

#include "volmar/hid/HidBackend.h"
#include "volmar/hid/HidController.h"
#include "volmar/vhid/Server.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace volmar::hid::test {

// One QCoreApplication for the whole test binary.
void ensureApp();

// Runs the event loop until `done` holds or `timeoutMs` passed; returns
// whether it held. Only a bound against hanging tests, never a timing check.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs the event loop for queued work already posted (and what it posts).
void settle();

// Destroys the controller as the application would: the devices still
// checked out outlive it, and their holder (the test) deletes them.
void destroyController(std::unique_ptr<HidController>& controller);

// A node of the controller's vendor-and-joystick layout: a vendor
// collection with feature reports 1 (38 bytes) and 2 (194 bytes) and input
// report 5, and a joystick collection (page 1, usage 4) with input reports 3
// and 4.
const std::vector<std::uint8_t>& controllerDescriptor();

// A collection as a backend would list it.
CollectionInfo collection(const std::string& nodeId, const std::string& path, int index,
                          std::uint16_t inputLength, std::vector<std::uint8_t> inputIds,
                          std::uint16_t featureLength = 0);

// An opened fake node: feature reports kept per id, input reports fed by
// the test, failures set per call kind.
class FakeNode : public HidNode {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable cv;
        std::deque<std::vector<std::uint8_t>> input;
        std::map<std::uint8_t, std::vector<std::uint8_t>> features;
        int readError = 0;    // returned once the input queue is empty
        int featureError = 0; // returned by every feature call
        int opened = 0;
        int closed = 0;
        std::atomic<int> reads{0};
    };
    explicit FakeNode(std::shared_ptr<Shared> shared);
    ~FakeNode() override;
    Status setFeature(std::span<const std::uint8_t> report) override;
    Status getFeature(std::span<std::uint8_t> report) override;
    Status readInput(std::vector<std::uint8_t>& report, int timeoutMs) override;
    void cancelRead() override;

    // Thread-safe feeders for tests.
    static void pushInput(Shared& shared, std::vector<std::uint8_t> report);
    static void setReadError(Shared& shared, int error);

private:
    int read(std::vector<std::uint8_t>& report, int timeoutMs);

    std::shared_ptr<Shared> m_shared;
    bool m_cancelled = false; // guarded by m_shared->mutex
};

// A backend whose device set the test edits; change() plays the hot-plug
// notification.
class FakeBackend : public HidBackend {
public:
    std::string name() const override { return "fake"; }
    std::vector<CollectionInfo> enumerate() override;
    Result<std::unique_ptr<HidNode>> open(const std::string& path) override;
    void setChangeCallback(std::function<void()> callback) override;

    void plug(CollectionInfo info);
    void unplug(const std::string& deviceId);
    void change();
    FakeNode::Shared& node(const std::string& path) { return *sharedNode(path); }
    // Outlives the backend (and the controller owning it).
    std::shared_ptr<FakeNode::Shared> sharedNode(const std::string& path);

    std::map<std::string, int> openError; // path -> errno
    int enumerations = 0;

private:
    std::vector<CollectionInfo> m_present;
    std::map<std::string, std::shared_ptr<FakeNode::Shared>> m_nodes;
    std::function<void()> m_callback;
};

// A virtual device served on its own thread through the real transport.
class FakeSim {
public:
    FakeSim(const std::filesystem::path& socket, vhid::DeviceInfo info);
    ~FakeSim(); // unplugs

    bool ok() const { return m_server != nullptr; }
    const std::string& error() const { return m_error; }

    // errno for every transfer (0 = ok), gets answered this many bytes short
    // and, unless 0, with this report id instead of the one asked for.
    void setFaults(int status, std::size_t shortBy, std::uint8_t answerId = 0);
    void broadcast(std::vector<std::uint8_t> report);
    std::vector<std::uint8_t> feature(std::uint8_t id);
    std::size_t subscribers();
    void unplug();

private:
    void loop();

    std::string m_error;
    std::unique_ptr<vhid::Server> m_server;
    std::thread m_thread;
    std::mutex m_mutex;
    bool m_stop = false;
    bool m_unplug = false;
    int m_status = 0;
    std::size_t m_shortBy = 0;
    std::uint8_t m_answerId = 0;
    std::deque<std::vector<std::uint8_t>> m_outgoing;
    std::map<std::uint8_t, std::vector<std::uint8_t>> m_features;
    std::size_t m_subscribers = 0;
};

vhid::DeviceInfo controllerInfo(std::uint16_t vid = 0x8888, std::uint16_t pid = 0x8888,
                                std::string serial = "Volmar2-20161101");

} // namespace volmar::hid::test
