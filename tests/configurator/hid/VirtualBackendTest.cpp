// The virtual backend end to end over the real socket transport: listing,
// feature transfers and their failures, input routing, unplug in the middle
// of reading, and the watched folder.
#include "volmar/hid/VirtualBackend.h"
#include "HidTestSupport.h"
#include "volmar/hid/HidController.h"
#include "volmar/vhid/Wire.h"

#include <QPointer>

#include "ResultAssert.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace volmar::hid {
namespace {

namespace fs = std::filesystem;
using test::FakeSim;

// A feature report 1 of the 38 bytes of a command frame.
std::vector<std::uint8_t> report1(std::uint8_t fill = 0) {
    std::vector<std::uint8_t> r(38, fill);
    r[0] = 1;
    return r;
}

class Virtual : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApp();
        folder = vhid::deviceFolder();
        fs::remove_all(folder);
    }
    void TearDown() override {
        test::destroyController(controller);
        sims.clear();
        test::settle();
    }

    FakeSim& plug(const std::string& name, vhid::DeviceInfo info = test::controllerInfo()) {
        sims.push_back(std::make_unique<FakeSim>(folder / (name + ".sock"), std::move(info)));
        EXPECT_TRUE(sims.back()->ok()) << sims.back()->error();
        return *sims.back();
    }
    void startController() {
        std::vector<std::unique_ptr<HidBackend>> backends;
        backends.push_back(makeVirtualBackend());
        controller = std::make_unique<HidController>(std::move(backends));
        QObject::connect(controller.get(), &HidController::deviceChange, [this] { ++changes; });
        QObject::connect(controller.get(), &HidController::deviceUnplug,
                         [this](HidDevice* d) { unplugged.push_back(d); });
        ASSERT_TRUE(test::waitFor([&] { return changes == 1; }));
    }
    HidDevice* byUsage(std::uint16_t usage, std::uint16_t vid = 0x8888) const {
        for (HidDevice* d : controller->devices()) {
            if (d->isPluggedIn() && d->caps().usage == usage && d->attributes().vendorId == vid) {
                return d;
            }
        }
        return nullptr;
    }

    HidDevice* checkedOut(std::uint16_t usage) {
        HidDevice* d = byUsage(usage);
        EXPECT_TRUE(d && controller->checkOut(d));
        return d;
    }

    fs::path folder;
    std::vector<std::unique_ptr<FakeSim>> sims;
    std::unique_ptr<HidController> controller;
    int changes = 0;
    std::vector<HidDevice*> unplugged;
};

TEST_F(Virtual, MissingFolderIsCreatedSoItCanBeWatched) {
    ASSERT_FALSE(fs::exists(folder));
    startController();
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(controller->devices().empty());
}

TEST_F(Virtual, SimIsListedAsItsTwoCollections) {
    plug("dev1", test::controllerInfo(0x03EB, 0x2041, "Volmar2-20161101"));
    auto backend = makeVirtualBackend();
    const auto list = backend->enumerate();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].caps.featureReportByteLength, 194);
    EXPECT_EQ(list[0].caps.usagePage, 0xFF00);
    EXPECT_EQ(list[1].caps.usage, 4);
    EXPECT_EQ(list[1].inputReportIds, (std::vector<std::uint8_t>{3, 4}));
    for (const auto& c : list) {
        EXPECT_EQ(c.attributes, (HidAttributes{0x03EB, 0x2041, 0x0101}));
        EXPECT_EQ(c.product, "Volmar2");
        EXPECT_EQ(c.manufacturer, "Volmar");
        EXPECT_EQ(c.serial, "Volmar2-20161101");
        EXPECT_EQ(c.path, (folder / "dev1.sock").string());
        EXPECT_TRUE(c.openable);
        EXPECT_TRUE(c.deviceId.starts_with("virtual:"));
    }
    EXPECT_NE(list[0].deviceId, list[1].deviceId);
    // Listing again gives the same identities.
    const auto again = backend->enumerate();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].deviceId, list[0].deviceId);
}

TEST_F(Virtual, SocketFileNobodyListensOnIsNotADevice) {
    fs::create_directories(folder);
    const fs::path stale = folder / "stale.sock";
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", stale.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd); // the file stays behind, as after a crash
    plug("live");
    auto backend = makeVirtualBackend();
    const auto list = backend->enumerate();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, (folder / "live.sock").string());
}

TEST_F(Virtual, FeatureReportsTravelWholeBothWays) {
    FakeSim& sim = plug("dev1");
    startController();
    HidDevice* vendor = checkedOut(1);
    ASSERT_NE(vendor, nullptr);

    std::vector<std::uint8_t> frame(38);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<std::uint8_t>(i * 7);
    }
    frame[0] = 1;
    ASSERT_TRUE(volmar::test::isOk(vendor->setFeature(frame)));
    EXPECT_EQ(sim.feature(1), frame);

    std::vector<std::uint8_t> answer = report1();
    ASSERT_TRUE(volmar::test::isOk(vendor->getFeature(answer)));
    EXPECT_EQ(answer, frame);

    std::vector<std::uint8_t> live(194, 0xEE);
    live[0] = 2;
    ASSERT_TRUE(volmar::test::isOk(vendor->getFeature(live)));
    EXPECT_EQ(live[0], 2);
    EXPECT_EQ(live[193], 0); // the device answered all 194 bytes
}

struct FailCase {
    const char* name;
    int status;          // what the device answers
    std::size_t shortBy; // bytes missing from a get
    const char* setText; // error after a set ("" = it succeeds)
    const char* getText;
    std::uint8_t answerId = 0; // a get answered with another report
};

class VirtualFailure : public Virtual, public ::testing::WithParamInterface<FailCase> {};

TEST_P(VirtualFailure, DeviceFailuresKeepTheSystemText) {
    FakeSim& sim = plug("dev1");
    startController();
    HidDevice* vendor = checkedOut(1);
    ASSERT_NE(vendor, nullptr);
    sim.setFaults(GetParam().status, GetParam().shortBy, GetParam().answerId);

    std::vector<std::uint8_t> frame = report1();
    EXPECT_EQ(volmar::test::errorText(vendor->setFeature(frame)), GetParam().setText);
    std::vector<std::uint8_t> answer = report1(0xAB);
    const Status got = vendor->getFeature(answer);
    ASSERT_FALSE(got.ok());
    EXPECT_EQ(got.error().text, GetParam().getText);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, VirtualFailure,
    ::testing::Values(FailCase{"stall", EPIPE, 0, "Broken pipe", "Broken pipe"},
                      FailCase{"io", EIO, 0, "Input/output error", "Input/output error"},
                      // A short answer is no answer: the rest of the buffer is not the device's.
                      FailCase{"short_get", 0, 1, "", "Input/output error"},
                      // Another report is not the answer: its bytes are not what was asked.
                      FailCase{"other_report", 0, 0, "",
                               "the device answered report 2 to a request for report 1", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Virtual, InputReportsReachTheCollectionDeclaringThem) {
    FakeSim& sim = plug("dev1");
    startController();
    HidDevice* vendor = checkedOut(1);
    HidDevice* joystick = checkedOut(4);
    std::vector<std::pair<HidDevice*, QByteArray>> got;
    QObject::connect(controller.get(), &HidController::deviceData,
                     [&](HidDevice* d, quint8 id, const QByteArray& payload) {
                         got.emplace_back(d, QByteArray(1, static_cast<char>(id)) + payload);
                     });
    ASSERT_TRUE(test::waitFor([&] { return sim.subscribers() == 1; }));
    sim.broadcast({3, 0x10, 0x20, 0x01});
    sim.broadcast({5, 0x77});
    sim.broadcast({4, 0x33});
    ASSERT_TRUE(test::waitFor([&] { return got.size() == 3; }));
    EXPECT_EQ(got[0].first, joystick);
    EXPECT_EQ(got[0].second, QByteArray("\x03\x10\x20\x01", 4));
    EXPECT_EQ(got[1].first, vendor);
    EXPECT_EQ(got[1].second, QByteArray("\x05\x77", 2));
    EXPECT_EQ(got[2].first, joystick);
}

TEST_F(Virtual, UnplugInTheMiddleOfReadingLeavesTheDeviceUnplugged) {
    FakeSim& sim = plug("dev1");
    startController();
    HidDevice* joystick = checkedOut(4);
    HidDevice* vendor = checkedOut(1);
    int reports = 0;
    QObject::connect(joystick, &HidDevice::data, [&] { ++reports; });
    ASSERT_TRUE(test::waitFor([&] { return sim.subscribers() == 1; }));
    for (int i = 0; i < 50; ++i) {
        sim.broadcast({3, static_cast<std::uint8_t>(i), 0, 0});
    }
    ASSERT_TRUE(test::waitFor([&] { return reports > 0; }));
    sim.unplug();

    ASSERT_TRUE(test::waitFor([&] { return !joystick->isPluggedIn(); }));
    ASSERT_TRUE(test::waitFor([&] { return unplugged.size() == 2; }));
    EXPECT_FALSE(vendor->isPluggedIn());
    EXPECT_EQ(controller->devices().size(), 2u); // both checked out: both stay
    std::vector<std::uint8_t> frame = report1();
    EXPECT_EQ(volmar::test::errorText(vendor->getFeature(frame)), "No such device");
    controller->checkIn(joystick);
    controller->checkIn(vendor);
    EXPECT_TRUE(controller->devices().empty());
}

TEST_F(Virtual, SecondSimAppearsThroughTheFolderWatchAndTheFirstIsUntouched) {
    FakeSim& first = plug("dev1");
    startController();
    HidDevice* vendor = checkedOut(1);
    ASSERT_NE(vendor, nullptr);
    const std::vector<HidDevice*> before = controller->devices();

    plug("dev2", test::controllerInfo(0x1111, 0x2222));
    ASSERT_TRUE(test::waitFor([&] { return controller->devices().size() == 4; }));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(controller->devices()[0], before[0]);
    EXPECT_EQ(controller->devices()[1], before[1]);
    EXPECT_NE(byUsage(4, 0x1111), nullptr);

    std::vector<std::uint8_t> frame = report1(0x5A);
    ASSERT_TRUE(volmar::test::isOk(vendor->setFeature(frame)));
    EXPECT_EQ(first.feature(1), frame);
}

TEST_F(Virtual, SimComingBackWithAnotherIdentityIsANewDevice) {
    plug("dev1");
    startController();
    QPointer<HidDevice> oldJoystick = byUsage(4);
    ASSERT_TRUE(oldJoystick);
    sims.back()->unplug();
    ASSERT_TRUE(test::waitFor([&] { return controller->devices().empty(); }));

    plug("dev1", test::controllerInfo(0x03EB, 0x2041));
    ASSERT_TRUE(test::waitFor([&] { return controller->devices().size() == 2; }));
    EXPECT_NE(byUsage(4, 0x03EB), nullptr);
    EXPECT_EQ(byUsage(4, 0x8888), nullptr);
    test::settle();
    EXPECT_TRUE(oldJoystick.isNull());
}

TEST_F(Virtual, FolderRemovedAndMadeAgainIsStillWatched) {
    startController();
    fs::remove_all(folder);
    // The rebuild the removal causes makes the folder again and watches it.
    ASSERT_TRUE(test::waitFor([&] { return fs::is_directory(folder); }));
    test::settle();
    plug("dev1");
    ASSERT_TRUE(test::waitFor([&] { return controller->devices().size() == 2; }));
}

} // namespace
} // namespace volmar::hid
