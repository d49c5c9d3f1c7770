// The virtual backend against a virtual controller served in this process:
// what volmar-sim shows Inspecta, decoded from its report descriptor.
#include "InputTestSupport.h"
#include "volmar/input/DeviceManager.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/vhid/Server.h"

#include <gtest/gtest.h>

#include <deque>
#include <poll.h>
#include <thread>

namespace volmar::input {
namespace {

// A virtual joystick on its own poll loop; reports are queued from the test
// thread and broadcast by the loop.
class VirtualStick {
public:
    explicit VirtualStick(std::filesystem::path socket,
                          std::vector<std::uint8_t> descriptor = test::stickDescriptor())
        : m_socket(std::move(socket)), m_descriptor(std::move(descriptor)) {
        plug();
    }
    ~VirtualStick() { unplug(); }

    void plug() {
        vhid::DeviceInfo info;
        info.vendorId = 0x16C0;
        info.productId = 0x05DF;
        info.product = "Virtual Stick";
        info.serial = "Volmar2-20161101";
        info.reportDescriptor = m_descriptor;
        auto server = vhid::Server::listen(m_socket, info);
        ASSERT_TRUE(server.ok()) << server.error().text;
        m_server = std::move(*server);
        m_stop = false;
        m_thread = std::thread([this] { loop(); });
    }

    void unplug() {
        if (!m_thread.joinable()) {
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_thread.join();
        m_server.reset();
    }

    void send(std::vector<std::uint8_t> report) {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(report));
    }

    std::size_t subscribers() {
        std::lock_guard lock(m_mutex);
        return m_server ? m_server->subscriberCount() : 0;
    }

private:
    void loop() {
        for (;;) {
            std::vector<pollfd> fds;
            {
                std::lock_guard lock(m_mutex);
                if (m_stop) {
                    m_server->unplug();
                    return;
                }
                m_server->addPollFds(fds);
            }
            ::poll(fds.data(), fds.size(), 2); // short: stop and input need no wake-up
            std::lock_guard lock(m_mutex);
            std::vector<vhid::Server::Request> requests;
            m_server->process(requests);
            while (!m_pending.empty()) {
                m_server->broadcastInput(m_pending.front());
                m_pending.pop_front();
            }
            m_server->process(requests); // flush
        }
    }

    std::filesystem::path m_socket;
    std::vector<std::uint8_t> m_descriptor;
    std::unique_ptr<vhid::Server> m_server;
    std::thread m_thread;
    std::mutex m_mutex;
    bool m_stop = false;
    std::deque<std::vector<std::uint8_t>> m_pending;
};

class VirtualBackendTest : public ::testing::Test {
protected:
    std::filesystem::path folder = vhid::deviceFolder();
    std::unique_ptr<VirtualStick> stick;
    std::unique_ptr<CDeviceManager> manager;

    void SetUp() override { start(test::stickDescriptor()); }
    void start(const std::vector<std::uint8_t>& descriptor) {
        manager.reset();
        stick.reset();
        stick = std::make_unique<VirtualStick>(folder / "stick-1.sock", descriptor);
        manager = std::make_unique<CDeviceManager>([this] {
            return std::make_unique<InputApi>(
                std::vector<std::shared_ptr<Backend>>{makeVirtualBackend(folder)});
        });
        ASSERT_EQ(manager->Create(), DI_OK);
        manager->Enumerate();
    }
    void TearDown() override {
        manager.reset();
        stick.reset();
    }

    static const ObjectRecord* find(const DeviceRecord& d, const std::string& name) {
        for (const ObjectRecord& o : d.objects) {
            if (o.object.name == name) {
                return &o;
            }
        }
        return nullptr;
    }
};

TEST_F(VirtualBackendTest, TheVirtualStickIsAGameControllerWithItsDescriptorsObjects) {
    ASSERT_EQ(manager->devices().size(), 1u);
    const DeviceRecord& d = *manager->devices()[0];
    EXPECT_EQ(d.deviceClass, DeviceClass::GameController);
    EXPECT_EQ(d.instance.productName, "Virtual Stick");
    EXPECT_EQ(d.instance.vendorId, 0x16C0);
    ASSERT_EQ(d.objects.size(), 131u);
    const ObjectRecord* x = find(d, "X Axis");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->hidLogicalMin, 0);
    EXPECT_EQ(x->hidLogicalMax, 1023);
    EXPECT_EQ(x->logicalRange.max, 1023);
    const ObjectRecord* hat = find(d, "Hat Switch");
    ASSERT_NE(hat, nullptr);
    EXPECT_EQ(hat->stateOffset, 32);
    EXPECT_EQ(hat->hidLogicalMax, 7);
    const ObjectRecord* last = find(d, "Button 128");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->stateOffset, 48 + 127);
    EXPECT_EQ(d.acquiredFlag(), 1u);
}

TEST_F(VirtualBackendTest, ReportsBecomeQueuedItemsAndStateUpToButton128) {
    ASSERT_EQ(manager->devices().size(), 1u);
    DeviceRecord& d = *manager->devices()[0];
    ASSERT_TRUE(test::waitFor([&] { return stick->subscribers() >= 1; }));
    stick->send(test::stickReport(1023, 0, 6, {100, 128}));
    ASSERT_TRUE(test::waitFor([&] { return d.queueSize() >= 4; }));
    std::vector<DeviceObjectData> items;
    DeviceObjectData item;
    while (d.popFront(item)) {
        items.push_back(item);
    }
    ASSERT_EQ(items.size(), 4u); // X, hat, two buttons: Y stayed at 0
    for (const auto& i : items) {
        EXPECT_EQ(i.sequence, items[0].sequence); // one report, one sequence number
    }
    EXPECT_EQ(items[1].offset, 32u);
    EXPECT_EQ(items[1].data, 27000u);
    EXPECT_EQ(items[2].offset, 48u + 99u);
    EXPECT_EQ(d.readValue(*find(d, "Button 100"), false), 0x80);
    EXPECT_EQ(d.readValue(*find(d, "X Axis"), false), 65535);
    // The raw side is read on its own notification.
    ASSERT_TRUE(test::waitFor([&] { return d.readValue(*find(d, "X Axis"), true) == 1023; }));
    EXPECT_EQ(d.readValue(*find(d, "Hat Switch"), true), 27000);
}

TEST_F(VirtualBackendTest, UnplugLosesInputAndAReplugIsReacquired) {
    ASSERT_EQ(manager->devices().size(), 1u);
    DeviceRecord& d = *manager->devices()[0];
    ASSERT_TRUE(test::waitFor([&] { return stick->subscribers() >= 1; }));
    stick->unplug();
    ASSERT_TRUE(test::waitFor([&] { return d.acquiredFlag() == 0; }));
    manager->Reacquire();
    EXPECT_EQ(d.acquiredFlag(), 0u);

    stick->plug();
    manager->Reacquire();
    EXPECT_EQ(d.acquiredFlag(), 1u);
    ASSERT_TRUE(test::waitFor([&] { return stick->subscribers() >= 1; }));
    stick->send(test::stickReport(0, 0, 15, {1}));
    ASSERT_TRUE(test::waitFor([&] { return d.readValue(*find(d, "Button 1"), false) == 0x80; }));
}

TEST_F(VirtualBackendTest, TwoSlidersAndTwoHatsEachReadTheirOwnPlace) {
    start(test::twoSliderTwoHatDescriptor());
    ASSERT_EQ(manager->devices().size(), 1u);
    DeviceRecord& d = *manager->devices()[0];
    std::vector<const ObjectRecord*> sliders;
    std::vector<const ObjectRecord*> hats;
    for (const ObjectRecord& o : d.objects) {
        if (o.object.kind == ObjectKind::Slider) {
            sliders.push_back(&o);
        } else if (o.isPov()) {
            hats.push_back(&o);
        }
    }
    ASSERT_EQ(sliders.size(), 2u);
    ASSERT_EQ(hats.size(), 2u);
    EXPECT_EQ(sliders[0]->stateOffset, 24);
    EXPECT_EQ(sliders[1]->stateOffset, 28);
    EXPECT_EQ(hats[0]->stateOffset, 32);
    EXPECT_EQ(hats[1]->stateOffset, 36);
    for (const ObjectRecord* slider : sliders) {
        EXPECT_EQ(slider->hidLogicalMax, 255); // its own HID range, not the default
    }
    ASSERT_TRUE(test::waitFor([&] { return stick->subscribers() >= 1; }));
    stick->send(test::twoSliderTwoHatReport(10, 20, 30, 2, 6, true));
    ASSERT_TRUE(test::waitFor([&] { return d.readValue(*hats[1], true) == 27000; }));
    EXPECT_EQ(d.readValue(*sliders[0], true), 20);
    EXPECT_EQ(d.readValue(*sliders[1], true), 30);
    EXPECT_EQ(d.readValue(*hats[0], true), 9000);
}

} // namespace
} // namespace volmar::input
