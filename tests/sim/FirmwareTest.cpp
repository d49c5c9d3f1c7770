#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>

namespace volmar::sim::test {
namespace {

class FirmwareModel : public ::testing::Test {
protected:
    FirmwareModel() : fw(configuredImage(), BoardSettings{}, 0us) {}

    void set(const Bytes& f, SimTime at) { ASSERT_EQ(fw.setFeature(f, at).status, 0); }
    Bytes get(SimTime at) {
        const FeatureReply r = fw.getFeature(1, kFrameSize, at);
        EXPECT_EQ(r.status, 0);
        return r.report;
    }
    // Read block: request at t, reply fetched after the 25 ms the board needs.
    Bytes readBlock(std::size_t address, SimTime t) {
        set(frame(cmd::ReadBlock, address, 32), t);
        return get(t + 25ms);
    }
    // The whole write the configurator does: begin, 21 blocks, end.
    void writeImage(const EepromImage& img, SimTime t, bool end = true) {
        set(frame(cmd::WriteBegin), t);
        for (std::size_t a = 0; a < image::kWritableEnd; a += 32) {
            set(frame(cmd::WriteBlock, a, 32, bytesOf(img, a, 32)), t += 25ms);
        }
        if (end) {
            set(frame(cmd::WriteEnd), t + 25ms);
        }
    }
    Firmware fw;
};

TEST_F(FirmwareModel, ReadBlockRepliesWithHeaderAndEepromBytesAndZerosPastTheEnd) {
    const Bytes r = readBlock(96, 1ms);
    ASSERT_EQ(r.size(), kFrameSize);
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 5), (Bytes{1, 1, 96, 0, 32}));
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 37), bytesOf(configuredImage(), 96, 32));
    EXPECT_EQ(r[37], 0);
    const Bytes end = readBlock(1008, 10ms);
    EXPECT_EQ(Bytes(end.begin() + 5, end.begin() + 21), bytesOf(configuredImage(), 1008, 16));
    EXPECT_EQ(Bytes(end.begin() + 21, end.begin() + 37), Bytes(16, 0));
    // a 16-bit address far beyond: all zeros, no fault
    const Bytes far = readBlock(0xFFFF, 100ms);
    EXPECT_EQ(Bytes(far.begin() + 5, far.begin() + 37), Bytes(32, 0));
}

struct WindowCase {
    const char* name;
    Bytes request;
    SimTime wait;
};

class ReplyWindow : public FirmwareModel, public ::testing::WithParamInterface<WindowCase> {};

// A get before the wait returns the previous reply unchanged; from the end
// of the wait on it returns the new one.
TEST_P(ReplyWindow, EarlyGetReturnsThePreviousReply) {
    const Bytes before = readBlock(64, 0us);
    const SimTime t = 100ms;
    set(GetParam().request, t);
    EXPECT_EQ(get(t + GetParam().wait - 1us), before);
    const Bytes fresh = get(t + GetParam().wait);
    EXPECT_NE(fresh, before);
    EXPECT_EQ(fresh[1], GetParam().request[1]);
    EXPECT_EQ(get(t + GetParam().wait + 1s), fresh) << "a reply stays until the next one";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ReplyWindow,
    ::testing::Values(WindowCase{"ReadBlock", frame(cmd::ReadBlock, 128, 32), 25ms},
                      WindowCase{"HubTransfer", frame(cmd::HubTransfer, 0, 5, {0}), 50ms},
                      WindowCase{"RegisterReadFixed", frame(cmd::RegisterReadFixed), 250ms},
                      WindowCase{"RegisterRead", frame(cmd::RegisterRead, 0, 0, {7}), 250ms},
                      WindowCase{"RegisterWrite", frame(cmd::RegisterWrite, 0, 0, {7, 1, 2}),
                                 250ms}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareModel, EmptyFrameBeforeAnyCommandAndANewRequestReplacesAnUnfetchedReply) {
    EXPECT_EQ(get(0us), frame(0));
    set(frame(cmd::ReadBlock, 0, 32), 0ms);
    set(frame(cmd::ReadBlock, 32, 32), 10ms);
    EXPECT_EQ(get(30ms)[5], 0) << "first request's reply must not appear";
    EXPECT_EQ(get(35ms)[2], 32);
}

TEST_F(FirmwareModel, WriteIsCommittedAtWriteEndOnly) {
    EepromImage img{};
    for (std::size_t i = 0; i < img.size(); ++i) {
        img[i] = static_cast<std::uint8_t>(i * 7);
    }
    writeImage(img, 0ms, false);
    EXPECT_EQ(fw.eeprom(), configuredImage()) << "nothing before write end";
    EXPECT_EQ(fw.blocksInSession(), 21);
    EXPECT_FALSE(fw.takeEepromChanged());
    set(frame(cmd::WriteEnd), 1s);
    EXPECT_TRUE(fw.takeEepromChanged());
    EXPECT_FALSE(fw.takeEepromChanged()) << "reported once";
    EXPECT_EQ(bytesOf(fw.eeprom(), 0, 672), bytesOf(img, 0, 672));
    EXPECT_EQ(bytesOf(fw.eeprom(), 672, 352), bytesOf(configuredImage(), 672, 352))
        << "bytes beyond the 21 blocks are never written";
}

// A worn cell: each write stores the inverse of the byte sent there, so the
// configurator's read-back sees exactly one address differ, write after write.
TEST_F(FirmwareModel, CorruptByteStoresTheInverseOfWhatEachWriteSent) {
    fw.setCorruptByte(100);
    EepromImage img = configuredImage();
    for (int round = 0; round < 2; ++round) {
        img[100] = static_cast<std::uint8_t>(0x3C + round);
        img[101] = static_cast<std::uint8_t>(round);
        writeImage(img, std::chrono::seconds(10 * round));
        const Bytes r = readBlock(96, std::chrono::seconds(10 * round + 5));
        EXPECT_EQ(r[5 + 4], static_cast<std::uint8_t>(~img[100])) << "round " << round;
        EXPECT_EQ(r[5 + 5], img[101]);
        EepromImage expected = img;
        expected[100] = static_cast<std::uint8_t>(~img[100]);
        EXPECT_EQ(bytesOf(fw.eeprom(), 0, 672), bytesOf(expected, 0, 672));
    }
}

TEST_F(FirmwareModel, ReadDuringAWriteShowsTheCommittedEeprom) {
    set(frame(cmd::WriteBegin), 0ms);
    set(frame(cmd::WriteBlock, 0, 32, Bytes(32, 0xEE)), 10ms);
    const Bytes r = readBlock(0, 20ms);
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 37), bytesOf(configuredImage(), 0, 32));
}

struct IgnoredBlock {
    const char* name;
    bool begin;
    std::size_t address;
    std::uint8_t count;
};

class IgnoredWrite : public FirmwareModel, public ::testing::WithParamInterface<IgnoredBlock> {};

TEST_P(IgnoredWrite, LeavesTheEepromAsItWas) {
    const IgnoredBlock& c = GetParam();
    if (c.begin) {
        set(frame(cmd::WriteBegin), 0ms);
    }
    set(frame(cmd::WriteBlock, c.address, c.count, Bytes(32, 0xEE)), 10ms);
    set(frame(cmd::WriteEnd), 20ms);
    EXPECT_EQ(fw.eeprom(), configuredImage());
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, IgnoredWrite,
    ::testing::Values(IgnoredBlock{"WithoutWriteBegin", false, 0, 32},
                      IgnoredBlock{"StartsAtTheEndOfTheImageArea", true, 672, 32},
                      IgnoredBlock{"CrossesTheEndOfTheImageArea", true, 660, 32},
                      IgnoredBlock{"FarAddress", true, 0xFFE0, 32},
                      IgnoredBlock{"CountZero", true, 0, 0},
                      IgnoredBlock{"CountAbove32", true, 0, 33}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareModel, ShortBlockAtTheEndOfTheImageAreaIsWritten) {
    set(frame(cmd::WriteBegin), 0ms);
    set(frame(cmd::WriteBlock, 668, 4, {1, 2, 3, 4}), 10ms);
    set(frame(cmd::WriteEnd), 20ms);
    EXPECT_EQ(bytesOf(fw.eeprom(), 668, 4), (Bytes{1, 2, 3, 4}));
}

TEST_F(FirmwareModel, WriteEndWithoutBeginChangesNothing) {
    set(frame(cmd::WriteEnd), 0ms);
    EXPECT_FALSE(fw.takeEepromChanged());
}

TEST_F(FirmwareModel, RestartInTheMiddleOfAWriteLosesTheHalfWrite) {
    set(frame(cmd::WriteBegin), 0ms);
    set(frame(cmd::WriteBlock, 0, 32, Bytes(32, 0xEE)), 10ms);
    set(frame(cmd::Restart), 20ms);
    ASSERT_TRUE(fw.advance(20ms + Firmware::kRestartAbsence));
    set(frame(cmd::WriteEnd), 2s);
    EXPECT_EQ(fw.eeprom(), configuredImage());
    EXPECT_FALSE(fw.takeEepromChanged());
}

TEST_F(FirmwareModel, ClearErasesEverythingAndDropsTheOpenWrite) {
    set(frame(cmd::WriteBegin), 0ms);
    set(frame(cmd::ClearConfig), 10ms);
    EXPECT_TRUE(fw.takeEepromChanged());
    EXPECT_TRUE(isBlank(fw.eeprom()));
    set(frame(cmd::WriteBlock, 0, 32, Bytes(32, 1)), 20ms);
    set(frame(cmd::WriteEnd), 30ms);
    EXPECT_TRUE(isBlank(fw.eeprom()));
    EXPECT_TRUE(fw.attached()) << "clearing does not leave the bus";
    EXPECT_EQ(identityOf(fw.bootImage()).product, "TestPad") << "until the next start";
}

TEST_F(FirmwareModel, RestartLeavesForASecondAndComesBackWithTheNewIdentity) {
    EepromImage img = configuredImage();
    img[image::kVid] = 0x34;
    img[image::kVid + 1] = 0x12;
    writeImage(img, 0ms);
    EXPECT_EQ(identityOf(fw.bootImage()).vendorId, 0x1A2B) << "identity is read at start only";
    const SimTime t = 2s;
    set(frame(cmd::Restart), t);
    EXPECT_FALSE(fw.attached());
    EXPECT_FALSE(fw.inBootloader()) << "a restart shows no bootloader port";
    EXPECT_EQ(fw.setFeature(frame(cmd::ReadBlock, 0, 32), t + 1ms).status, ENODEV);
    EXPECT_EQ(fw.getFeature(2, kLiveReportSize, t + 1ms).status, ENODEV);
    EXPECT_FALSE(fw.advance(t + Firmware::kRestartAbsence - 1us));
    EXPECT_TRUE(fw.advance(t + Firmware::kRestartAbsence));
    EXPECT_TRUE(fw.attached());
    EXPECT_EQ(identityOf(fw.bootImage()).vendorId, 0x1234);
    EXPECT_EQ(fw.bootTime(), t + Firmware::kRestartAbsence);
}

TEST_F(FirmwareModel, BootloaderStaysAwayUnlessAReturnTimeIsSet) {
    EXPECT_FALSE(fw.inBootloader());
    set(frame(cmd::Bootloader), 0ms);
    EXPECT_FALSE(fw.attached());
    EXPECT_TRUE(fw.inBootloader());
    EXPECT_FALSE(fw.returnsAt().has_value());
    EXPECT_FALSE(fw.advance(1h));

    Firmware back(configuredImage(), BoardSettings{}, 0us);
    back.setBootloaderStay(3s);
    ASSERT_EQ(back.setFeature(frame(cmd::Bootloader), 1s).status, 0);
    EXPECT_EQ(back.returnsAt(), SimTime(4s));
    EXPECT_TRUE(back.advance(4s));
    EXPECT_FALSE(back.inBootloader()) << "the firmware runs again";
}

struct StallCase {
    const char* name;
    Bytes report;
};
class Stall : public FirmwareModel, public ::testing::WithParamInterface<StallCase> {};
TEST_P(Stall, MalformedSetIsRefusedAndChangesNothing) {
    EXPECT_EQ(fw.setFeature(GetParam().report, 0ms).status, EPIPE);
    EXPECT_EQ(fw.lastCommand(), 0);
}
Bytes resized(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}
Bytes withId(Bytes b, std::uint8_t id) {
    b[0] = id;
    return b;
}
INSTANTIATE_TEST_SUITE_P(
    Frames, Stall,
    ::testing::Values(StallCase{"Short", resized(frame(cmd::ClearConfig), 37)},
                      StallCase{"Long", resized(frame(cmd::ClearConfig), 39)},
                      StallCase{"LiveDataId", withId(frame(cmd::ClearConfig), 2)},
                      StallCase{"UnknownId", withId(frame(cmd::ClearConfig), 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareModel, GetOfAnUnknownReportStallsAndGetsAreCutToTheAskedLength) {
    EXPECT_EQ(fw.getFeature(3, 38, 0ms).status, EPIPE);
    EXPECT_EQ(fw.getFeature(0, 38, 0ms).status, EPIPE);
    EXPECT_EQ(fw.getFeature(1, 10, 0ms).report.size(), 10u);
    EXPECT_EQ(fw.getFeature(2, 38, 0ms).report.size(), 38u);
    EXPECT_EQ(fw.getFeature(2, 500, 0ms).report.size(), kLiveReportSize);
}

TEST_F(FirmwareModel, UnknownCommandIsAcknowledgedAndHarmless) {
    set(frame(99, 0, 32, Bytes(32, 1)), 0ms);
    EXPECT_EQ(fw.eeprom(), configuredImage());
    EXPECT_TRUE(fw.attached());
}

// --- the bus devices behind the controller ---

Bytes hubGet(Firmware& fw, const Bytes& request, SimTime& t) {
    EXPECT_EQ(fw.setFeature(request, t).status, 0);
    t += 50ms;
    return fw.getFeature(1, kFrameSize, t).report;
}

TEST_F(FirmwareModel, HubIdentityIsAAOrTheBoardsAndAMissingHubReadsZero) {
    SimTime t = 0us;
    const Bytes r = hubGet(fw, frame(cmd::HubTransfer, 0, 5, {0}), t);
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 7), (Bytes{1, cmd::HubTransfer, 0, 0, 5, 0, 0xAA}));
    fw.setHubIdentity(0x55); // another board on the hub's bus
    EXPECT_EQ(hubGet(fw, frame(cmd::HubTransfer, 0, 5, {0}), t)[6], 0x55);
    fw.setHubPresent(false);
    EXPECT_EQ(hubGet(fw, frame(cmd::HubTransfer, 0, 5, {0}), t)[6], 0);
}

TEST_F(FirmwareModel, HubSlaveTypesSaveLoadAndSurviveARestartOnlyWhenStored) {
    SimTime t = 0us;
    hubGet(fw, frame(cmd::HubTransfer, 0, 5, {0x81, 1, 2, 0, 2}), t);
    Bytes r = hubGet(fw, frame(cmd::HubTransfer, 0, 5, {0x01}), t);
    EXPECT_EQ(Bytes(r.begin() + 6, r.begin() + 10), (Bytes{1, 2, 0, 2}));
    EXPECT_EQ(r[10], 0) << "n = 5 carries four data bytes";

    set(frame(cmd::Restart), t);
    ASSERT_TRUE(fw.advance(t += 1s));
    EXPECT_EQ(fw.hubSlaveTypes(), (std::array<std::uint8_t, 4>{0, 0, 0, 0})) << "never stored";

    hubGet(fw, frame(cmd::HubTransfer, 0, 5, {0x81, 2, 1, 1, 0}), t);
    hubGet(fw, frame(cmd::HubTransfer, 0, 1, {0xFF}), t);
    set(frame(cmd::Restart), t);
    ASSERT_TRUE(fw.advance(t += 1s));
    EXPECT_EQ(fw.hubSlaveTypes(), (std::array<std::uint8_t, 4>{2, 1, 1, 0}));
}

TEST_F(FirmwareModel, HubRawTransferWritesAndReadsARegisterAndKeepsItsIdentityReadOnly) {
    SimTime t = 0us;
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8};
    Bytes r = hubGet(fw, frame(cmd::HubTransfer, 0, 9, cat({0x85}, data)), t);
    EXPECT_EQ(r[5], 0x85);
    r = hubGet(fw, frame(cmd::HubTransfer, 0, 200, {0x05}), t);
    EXPECT_EQ(Bytes(r.begin() + 6, r.begin() + 14), data) << "length clamps to 8 data bytes";
    EXPECT_EQ(r[14], 0) << "nothing beyond byte 13";
    hubGet(fw, frame(cmd::HubTransfer, 0, 2, {0x80, 0x55}), t);
    EXPECT_EQ(hubGet(fw, frame(cmd::HubTransfer, 0, 2, {0x00}), t)[6], 0xAA);
    r = hubGet(fw, frame(cmd::HubTransfer, 0, 0, {0x05}), t);
    EXPECT_EQ(Bytes(r.begin() + 6, r.begin() + 14), Bytes(8, 0)) << "n = 0 moves no data";
}

TEST_F(FirmwareModel, StepperMovesBySignedCounts) {
    set(frame(cmd::StepperMove, 0, 0, {0xFF, 0xFF}), 0ms); // -1
    set(frame(cmd::StepperMove, 0, 0, {0xA0, 0x0F}), 1ms); // 4000
    EXPECT_EQ(fw.stepperPosition(), 3999);
    const Bytes live = fw.getFeature(2, kLiveReportSize, 2ms).report;
    EXPECT_EQ(live[171] | (live[172] << 8), 3999) << "second debug word shows the position";
}

// A host that keeps moving one way (or a flood of hostile frames) must not
// overflow the position.
TEST_F(FirmwareModel, StepperStopsAtTheEndsOfItsRange) {
    const std::int64_t moves = std::int64_t{std::numeric_limits<std::int32_t>::max()} / 32767 + 2;
    for (std::int64_t i = 0; i < moves; ++i) {
        fw.setFeature(frame(cmd::StepperMove, 0, 0, {0xFF, 0x7F}), 0ms); // +32767
    }
    EXPECT_EQ(fw.stepperPosition(), std::numeric_limits<std::int32_t>::max());
    set(frame(cmd::StepperMove, 0, 0, {0xFF, 0xFF}), 1ms); // -1
    EXPECT_EQ(fw.stepperPosition(), std::numeric_limits<std::int32_t>::max() - 1);
    for (std::int64_t i = 0; i < 2 * moves; ++i) {
        fw.setFeature(frame(cmd::StepperMove, 0, 0, {0x00, 0x80}), 2ms); // -32768
    }
    EXPECT_EQ(fw.stepperPosition(), std::numeric_limits<std::int32_t>::min());
}

TEST_F(FirmwareModel, RegisterDeviceWriteThenReadBack) {
    set(frame(cmd::RegisterWrite, 0, 0, {0x10, 44, 1}), 0ms); // 300
    Bytes r = get(250ms);
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 9), (Bytes{0x10, 44, 1, 0x03}));
    set(frame(cmd::RegisterRead, 0, 0, {0x10}), 1s);
    r = get(1250ms);
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 9), (Bytes{0x10, 44, 1, 0x01}));
    set(frame(cmd::RegisterReadFixed, 0, 0, {0x10}), 2s);
    r = get(2250ms);
    EXPECT_EQ(r[5], 0) << "the fixed read ignores the address byte";
    EXPECT_EQ(fw.deviceRegister(0x10), 300);
}

} // namespace
} // namespace volmar::sim::test
