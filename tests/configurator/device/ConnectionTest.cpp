// Discovery and connection: device list lines, the click, device changes,
// the connection display and the input report counter.
#include "LinkFixture.h"

#include <QPointer>

namespace volmar::test {
namespace {

TEST_F(LinkTest, StartListsEveryDeviceOnceAndConnectsNothing) {
    backend->others = {otherDevice("mouse", 0x46D, 0xC077, "Mouse", ""),
                       otherDevice("pad-a", 0x79, 0x6, "Pad", "A1"),
                       otherDevice("pad-b", 0x79, 0x6, "Pad", "A1")};
    waitForDeviceChanges(1);
    // Both controller collections and the two identical pads share lines.
    EXPECT_EQ(observer.lines, (std::vector<std::string>{
                                  "VID:8888 PID:8888 Volmar2 (Volmar2-20161101)",
                                  "VID:046D PID:C077 Mouse ()", "VID:0079 PID:0006 Pad (A1)"}));
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    EXPECT_FALSE(link->LinkReady());
    EXPECT_FALSE(observer.display.connected);
    EXPECT_EQ(observer.display.connect_status, englishLanguage().plug_msg);
}

TEST_F(LinkTest, ClickOnTheControllersLineConnectsBothCollections) {
    backend->others = {otherDevice("mouse", 0x46D, 0xC077, "Mouse", "")};
    waitForDeviceChanges(1);
    link->lstHID_DeviceListClick(0);
    ASSERT_NE(link->ConfigDevice(), nullptr);
    ASSERT_NE(link->JoystickDevice(), nullptr);
    EXPECT_GT(link->ConfigDevice()->caps().featureReportByteLength, 0);
    EXPECT_EQ(link->JoystickDevice()->caps().usage, 4);
    EXPECT_EQ(link->SelectedVid(), 0x8888);
    EXPECT_EQ(link->SelectedPid(), 0x8888);
    EXPECT_EQ(link->FirmwareVersion(), "Volmar2-20161101");
    EXPECT_TRUE(link->LinkReady());
    EXPECT_TRUE(link->lineProblem(0).empty());
    const device::DisplayState& d = observer.display;
    EXPECT_TRUE(d.connected && d.btnRead_MK && d.btnWrite_MK && d.btnRestart && d.img_grn);
    EXPECT_FALSE(d.img_red);
    EXPECT_EQ(d.connect_status, "Connected to VID[8888] PID[8888] Volmar2");
    EXPECT_EQ(observer.selected, 0);
    EXPECT_TRUE(observer.messages.empty());
}

TEST_F(LinkTest, ClicksThatConnectNothing) {
    backend->others = {otherDevice("mouse", 0x46D, 0xC077, "Mouse", "")};
    waitForDeviceChanges(1);
    link->lstHID_DeviceListClick(1); // a device without feature reports
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    EXPECT_FALSE(observer.display.connected);
    EXPECT_FALSE(link->LinkReady());
    link->lstHID_DeviceListClick(-1); // no line selected: nothing happens
    link->lstHID_DeviceListClick(7);
    EXPECT_EQ(link->SelectedVid(), 0x046D);
    EXPECT_TRUE(observer.messages.empty());
}

TEST_F(LinkTest, JoystickOnlyControllerNeverConnectsButItsReportsCount) {
    backend->commandCollection = false;
    waitForDeviceChanges(1);
    link->selectDevice(0x8888, 0x8888);
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    ASSERT_NE(link->JoystickDevice(), nullptr);
    EXPECT_FALSE(observer.display.connected);
    EXPECT_FALSE(link->LinkReady());
    {
        std::lock_guard lock(firmware->inputMutex);
        firmware->input.push_back({3, 1, 2, 3, 4, 5, 6, 7, 8});
        firmware->input.push_back({3, 1, 2, 3, 4, 5, 6, 7, 8});
    }
    EXPECT_TRUE(processUntil([&] { return link->ReportCounter() == 2; }));
}

TEST_F(LinkTest, DeviceChangeTakesTheControllerAgainButShowsNotConnected) {
    connectController();
    backend->others = {otherDevice("kbd", 0x1, 0x2, "Keyboard", "")};
    backend->changed();
    waitForDeviceChanges(2);
    EXPECT_NE(link->ConfigDevice(), nullptr);
    EXPECT_FALSE(link->LinkReady());
    EXPECT_FALSE(observer.display.connected);
    EXPECT_TRUE(observer.display.img_red);
    EXPECT_EQ(observer.lines.size(), 2u);
}

// The controller is held (with its lock) as long as it is the chosen one.
TEST_F(LinkTest, AControllerNoLongerChosenIsGivenBack) {
    backend->others = {otherDevice("pad", 0x79, 0x6, "Pad", "A1")};
    connectController();
    QPointer<hid::HidDevice> config = link->ConfigDevice();
    QPointer<hid::HidDevice> joystick = link->JoystickDevice();
    ASSERT_TRUE(config && joystick);
    link->selectDevice(0x79, 0x6);
    EXPECT_FALSE(config->isCheckedOut());
    EXPECT_FALSE(joystick->isCheckedOut());
    link->selectDevice(backend->vid, backend->pid);
    ASSERT_EQ(link->ConfigDevice(), config.data());
    EXPECT_TRUE(config->isCheckedOut());
    link->btn_clr_dev_listClick();
    EXPECT_FALSE(config->isCheckedOut());
}

TEST_F(LinkTest, UpdateUsbListForgetsTheChoice) {
    // a device reporting ids 0:0 with feature reports must not pass for the choice "none"
    auto zero = otherDevice("zero", 0, 0, "Zero", "");
    zero.caps.featureReportByteLength = 38;
    backend->others = {zero};
    connectController();
    link->btn_clr_dev_listClick();
    EXPECT_EQ(link->SelectedVid(), 0);
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    EXPECT_EQ(observer.lines.size(), 2u);
    EXPECT_EQ(observer.selected, -1);
    EXPECT_FALSE(observer.display.connected);
}

// The link holds the collections it took: it gives them back when it goes,
// and deletes them when their controller went first.
TEST_F(LinkTest, TakenCollectionsAreGivenBackOrDeletedByTheLink) {
    connectController();
    QPointer<hid::HidDevice> config = link->ConfigDevice();
    QPointer<hid::HidDevice> joystick = link->JoystickDevice();
    ASSERT_TRUE(config && joystick);
    link.reset();
    EXPECT_FALSE(config->isCheckedOut());
    EXPECT_FALSE(joystick->isCheckedOut());

    link = std::make_unique<device::DeviceLink>(*hid, clock, doc, englishLanguage(), observer);
    link->selectDevice(backend->vid, backend->pid);
    ASSERT_EQ(link->ConfigDevice(), config.data());
    hid.reset();
    EXPECT_EQ(link->ConfigDevice(), nullptr) << "a device without a controller is of no use";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(config.isNull());
    EXPECT_TRUE(joystick.isNull());
}

TEST_F(LinkTest, UnopenableControllerSaysHowToGetAccess) {
    backend->openable = false;
    waitForDeviceChanges(1);
    link->selectDevice(0x8888, 0x8888);
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_NE(observer.messages[0].find("Permission denied"), std::string::npos);
    EXPECT_NE(observer.messages[0].find("./x install-udev"), std::string::npos);
    EXPECT_EQ(link->lineProblem(0), observer.messages[0]);
}

TEST_F(LinkTest, InputReportsOfTheJoystickAreCounted) {
    connectController();
    {
        std::lock_guard lock(firmware->inputMutex);
        for (int i = 0; i < 10; ++i) {
            firmware->input.push_back({3, 0, 0, 0, 0, 0, 0, 0, 0});
        }
    }
    ASSERT_TRUE(processUntil([&] { return link->ReportCounter() >= 10; }));
    EXPECT_EQ(link->takeReportCounter(), 10);
    EXPECT_EQ(link->takeReportCounter(), 0);
}

} // namespace
} // namespace volmar::test
