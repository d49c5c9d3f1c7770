// What the hidraw backend makes of udev's and the kernel's answers: VID/PID
// and strings with their fallbacks, identity across re-attachment, nodes that
// cannot be opened, and the hot-plug wiring.
#include "HidTestSupport.h"
#include "volmar/hid/HidrawBackend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>

namespace volmar::hid {
namespace {

using hidraw::NodeFacts;
using hidraw::NodeProbe;

struct HexCase {
    const char* text;
    std::optional<std::uint16_t> expected;
};

class ParseHex16 : public ::testing::TestWithParam<HexCase> {};

TEST_P(ParseHex16, ReadsSysfsHexText) {
    EXPECT_EQ(hidraw::parseHex16(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseHex16,
                         ::testing::Values(HexCase{"03eb", 0x03EB}, HexCase{"2041\n", 0x2041},
                                           HexCase{"0x03EB", 0x03EB}, HexCase{"0001", 0x0001},
                                           HexCase{"", std::nullopt},
                                           HexCase{"12345", std::nullopt},
                                           HexCase{"zz", std::nullopt},
                                           HexCase{"12 4", std::nullopt}));

struct HidIdCase {
    const char* text;
    bool valid;
    std::uint16_t vendor;
    std::uint16_t product;
};

class ParseHidId : public ::testing::TestWithParam<HidIdCase> {};

TEST_P(ParseHidId, SplitsBusVendorProduct) {
    const auto parsed = hidraw::parseHidId(GetParam().text);
    ASSERT_EQ(parsed.has_value(), GetParam().valid);
    if (parsed) {
        EXPECT_EQ(parsed->vendorId, GetParam().vendor);
        EXPECT_EQ(parsed->productId, GetParam().product);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseHidId,
    ::testing::Values(HidIdCase{"0003:000003EB:00002041", true, 0x03EB, 0x2041},
                      HidIdCase{"0005:0000045E:000002FD\n", true, 0x045E, 0x02FD},
                      HidIdCase{"0003:03EB", false, 0, 0}, HidIdCase{"", false, 0, 0},
                      HidIdCase{"0003:00010000:00000001", false, 0, 0},
                      HidIdCase{"0003:1000003EB:2041", false, 0, 0},
                      HidIdCase{"x:1:2", false, 0, 0}));

NodeFacts usbFacts() {
    NodeFacts facts;
    facts.devnode = "/dev/hidraw3";
    facts.hidSysname = "0003:03EB:2041.000A";
    facts.hidId = "0003:000003EB:00002041";
    facts.hidName = "Volmar Volmar2";
    facts.hidUniq = "Volmar2-20161101";
    facts.hasUsbDevice = true;
    facts.usbIdVendor = "03eb\n";
    facts.usbIdProduct = "2041\n";
    facts.usbBcdDevice = "0101\n";
    facts.usbManufacturer = "Volmar\n";
    facts.usbProduct = "Volmar2\n";
    facts.usbSerial = "Volmar2-20161101\n";
    facts.reportDescriptor = test::controllerDescriptor();
    return facts;
}

TEST(HidrawFacts, UsbNodeListsEachCollectionWithItsUsbIdentity) {
    const auto list = hidraw::describeNode(usbFacts(), NodeProbe{});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].deviceId, "hidraw:0003:03EB:2041.000A#0");
    EXPECT_EQ(list[1].deviceId, "hidraw:0003:03EB:2041.000A#1");
    for (const auto& c : list) {
        EXPECT_EQ(c.path, "/dev/hidraw3");
        EXPECT_EQ(c.attributes, (HidAttributes{0x03EB, 0x2041, 0x0101}));
        EXPECT_EQ(c.manufacturer, "Volmar");
        EXPECT_EQ(c.product, "Volmar2");
        EXPECT_EQ(c.serial, "Volmar2-20161101");
        EXPECT_TRUE(c.openable);
    }
    EXPECT_EQ(list[1].caps.usage, 4);
}

TEST(HidrawFacts, NodeThatCannotBeOpenedIsListedWithTheReason) {
    NodeProbe probe;
    probe.openError = EACCES;
    const auto list = hidraw::describeNode(usbFacts(), probe);
    // The descriptor comes from sysfs, so the collections are known anyway.
    ASSERT_EQ(list.size(), 2u);
    for (const auto& c : list) {
        EXPECT_FALSE(c.openable);
        EXPECT_EQ(c.openError, "Permission denied");
        EXPECT_EQ(c.product, "Volmar2");
    }
}

TEST(HidrawFacts, ReattachedControllerIsANewDeviceEvenOnTheSameNode) {
    NodeFacts again = usbFacts();
    again.hidSysname = "0003:03EB:2041.000B";
    const auto before = hidraw::describeNode(usbFacts(), NodeProbe{});
    const auto same = hidraw::describeNode(usbFacts(), NodeProbe{});
    const auto after = hidraw::describeNode(again, NodeProbe{});
    EXPECT_EQ(before[0].deviceId, same[0].deviceId);
    EXPECT_NE(before[0].deviceId, after[0].deviceId);
    EXPECT_EQ(before[0].path, after[0].path);
}

TEST(HidrawFacts, IdentityFallsBackToHidPropertiesThenToTheNode) {
    NodeFacts bluetooth = usbFacts();
    bluetooth.hasUsbDevice = false; // e.g. Bluetooth or uhid
    bluetooth.hidId = "0005:0000045E:000002FD";
    bluetooth.hidName = "Xbox Wireless Controller";
    bluetooth.hidUniq = "aa:bb:cc:dd:ee:ff";
    NodeFacts badUsbIds = usbFacts();
    badUsbIds.usbIdVendor = "";
    badUsbIds.hidId = "0003:00001234:00005678";
    NodeFacts bare; // udev knows nothing: the node's ioctls tell
    bare.devnode = "/dev/hidraw9";
    NodeProbe ioctls;
    ioctls.haveRawInfo = true;
    ioctls.vendorId = 0x16C0;
    ioctls.productId = 0x0478;
    ioctls.rawName = "Teensy";
    ioctls.descriptor = test::controllerDescriptor();
    struct Case {
        NodeFacts facts;
        NodeProbe probe;
        HidAttributes ids;
        const char* product;
        const char* serial;
    };
    const Case cases[] = {
        {bluetooth, {}, {0x045E, 0x02FD, 0}, "Xbox Wireless Controller", "aa:bb:cc:dd:ee:ff"},
        {badUsbIds, {}, {0x1234, 0x5678, 0}, "Volmar2", "Volmar2-20161101"},
        {bare, ioctls, {0x16C0, 0x0478, 0}, "Teensy", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.product);
        const auto list = hidraw::describeNode(c.facts, c.probe);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].attributes.vendorId, c.ids.vendorId);
        EXPECT_EQ(list[0].attributes.productId, c.ids.productId);
        EXPECT_EQ(list[0].product, c.product);
        EXPECT_EQ(list[0].serial, c.serial);
    }
    EXPECT_EQ(hidraw::describeNode(bare, ioctls)[0].deviceId, "hidraw:/dev/hidraw9#0");
}

// A System that hands out prepared facts and records what was asked.
class FakeSystem : public hidraw::System {
public:
    FakeSystem() : m_event(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~FakeSystem() override { ::close(m_event); }

    std::vector<NodeFacts> listNodes() override { return nodes; }
    NodeProbe probe(const NodeFacts& facts, bool wantDescriptor, bool wantLanguageIds) override {
        probes.push_back({facts.devnode, wantDescriptor, wantLanguageIds});
        NodeProbe probe;
        if (wantDescriptor) {
            probe.descriptor = test::controllerDescriptor();
        }
        if (wantLanguageIds) {
            probe.languageIds = {0x0409};
        }
        return probe;
    }
    Result<std::unique_ptr<HidNode>> open(const std::string&) override {
        return Error::fromErrno(ENOENT);
    }
    int monitorFd() override { return m_event; }
    bool drainMonitor() override {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_event, &value, sizeof value);
        ++drains;
        return relevant;
    }
    void signal() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_event, &one, sizeof one);
    }

    struct Probe {
        std::string devnode;
        bool descriptor;
        bool languages;
    };
    std::vector<NodeFacts> nodes;
    std::vector<Probe> probes;
    bool relevant = true;
    int drains = 0;

private:
    int m_event;
};

TEST(HidrawBackend, AsksTheNodeOnlyForWhatSysfsLacks) {
    auto system = std::make_unique<FakeSystem>();
    FakeSystem* sys = system.get();
    NodeFacts plain = usbFacts();
    NodeFacts noDescriptor = usbFacts();
    noDescriptor.devnode = "/dev/hidraw4";
    noDescriptor.reportDescriptor.clear();
    NodeFacts oddSerial = usbFacts();
    oddSerial.devnode = "/dev/hidraw5";
    oddSerial.usbSerial = "\xD0\x89"; // U+0409: what a language table read as text looks like
    sys->nodes = {plain, noDescriptor, oddSerial};

    test::ensureApp();
    auto backend = makeHidrawBackend(std::move(system));
    const auto list = backend->enumerate();
    std::vector<std::pair<bool, bool>> asked; // descriptor, language ids
    for (const auto& p : sys->probes) {
        asked.emplace_back(p.descriptor, p.languages);
    }
    EXPECT_EQ(asked,
              (std::vector<std::pair<bool, bool>>{{false, false}, {true, false}, {false, true}}));
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[2].path, "/dev/hidraw4"); // collections from the node's own descriptor
    EXPECT_EQ(list[4].languageIds, (std::vector<std::uint16_t>{0x0409}));
    EXPECT_TRUE(list[0].languageIds.empty());
}

TEST(HidrawBackend, MonitorNewsRaisesAChangeOnlyWhenANodeIsReady) {
    test::ensureApp();
    auto system = std::make_unique<FakeSystem>();
    FakeSystem* sys = system.get();
    auto backend = makeHidrawBackend(std::move(system));
    int changes = 0;
    backend->setChangeCallback([&] { ++changes; });

    sys->relevant = false; // e.g. a node udev has not finished with
    sys->signal();
    ASSERT_TRUE(test::waitFor([&] { return sys->drains == 1; }));
    EXPECT_EQ(changes, 0);

    sys->relevant = true;
    sys->signal();
    ASSERT_TRUE(test::waitFor([&] { return changes == 1; }));
    EXPECT_EQ(sys->drains, 2);
}

} // namespace
} // namespace volmar::hid
