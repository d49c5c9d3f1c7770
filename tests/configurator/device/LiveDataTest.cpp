// Decoding of the controller's live data report and its display texts.
#include "volmar/core/LiveData.h"

#include <gtest/gtest.h>

namespace volmar::live {
namespace {

std::array<std::uint8_t, kReportSize> reportWithData() {
    auto report = requestBuffer();
    report[1] = 1;
    return report;
}

void putWord(std::array<std::uint8_t, kReportSize>& r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v & 0xFF);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TEST(LiveData, NoDataWhenByteOneIsZeroOrTheReplyIsShort) {
    auto report = requestBuffer();
    report[5] = 0x12; // anything else set must not matter
    EXPECT_FALSE(decodeLiveData(report).has_value());
    auto full = reportWithData();
    EXPECT_TRUE(decodeLiveData(full).has_value());
    EXPECT_FALSE(decodeLiveData(std::span(full).first(kReportSize - 1)).has_value());
}

TEST(LiveData, EveryAxisFieldAtItsOwnOffset) {
    auto report = reportWithData();
    for (int n = 1; n <= kAxes; ++n) {
        putWord(report, 5 + 2 * (n - 1), static_cast<std::uint16_t>(0x100 * n + 1));
        putWord(report, 153 + 2 * (n - 1), static_cast<std::uint16_t>(0x1000 * n + 2));
        report[176 + n] = static_cast<std::uint8_t>(10 + n);
    }
    const auto data = decodeLiveData(report);
    ASSERT_TRUE(data);
    for (int n = 1; n <= kAxes; ++n) {
        EXPECT_EQ(data->raw[n - 1], 0x100 * n + 1) << "axis " << n;
        EXPECT_EQ(data->processed[n - 1], 0x1000 * n + 2) << "axis " << n;
        EXPECT_EQ(data->linkErrors[n - 1], 10 + n) << "axis " << n;
    }
    // the bytes after the link errors are not interpreted
    report[185] = 0xFF;
    EXPECT_EQ(decodeLiveData(report), data);
}

TEST(LiveData, ButtonsUseBitZeroOnly) {
    auto report = reportWithData();
    report[20 + 3] = 0x01;
    report[20 + 17] = 0xFF;
    report[20 + 40] = 0x03;
    report[20 + 41] = 0xFE; // bits 1..7 are ignored
    const auto data = decodeLiveData(report);
    ASSERT_TRUE(data);
    for (int b = 1; b <= kButtons; ++b) {
        EXPECT_EQ(data->buttons[b - 1], b == 3 || b == 17 || b == 40) << "button " << b;
    }
    EXPECT_EQ(highestPressedButton(*data), 40);
    report[20 + 132] = 1;
    EXPECT_EQ(highestPressedButton(*decodeLiveData(report)), 132);
    EXPECT_EQ(highestPressedButton(*decodeLiveData(reportWithData())), 0);
}

TEST(LiveData, UptimeAndHardware) {
    auto report = reportWithData();
    report[1] = 3;
    report[2] = 1;
    report[3] = 2;
    report[4] = 3;
    const auto data = decodeLiveData(report);
    ASSERT_TRUE(data);
    EXPECT_EQ(uptimeText(*data), "1:2:3");
    EXPECT_EQ(chipName(data->hardwareType), "AT90USB1286");
    EXPECT_EQ(chipName(1), "ATmega32U4");
    EXPECT_EQ(chipName(2), "AT90USB646");
    EXPECT_TRUE(chipName(4).empty());
    report[2] = 255;
    EXPECT_EQ(uptimeText(*decodeLiveData(report)), "255:2:3");
}

TEST(LiveData, DebugLineGroupsFourWordsLowByteFirst) {
    auto report = reportWithData();
    putWord(report, 169, 1);
    putWord(report, 171, 255);
    putWord(report, 173, 4096);
    putWord(report, 175, 65535);
    const auto data = decodeLiveData(report);
    ASSERT_TRUE(data);
    EXPECT_EQ(debugLine(*data), "d[1] b[0000000000000001] h[0001]   "
                                "d[255] b[0000000011111111] h[00FF]   "
                                "d[4096] b[0001000000000000] h[1000]   "
                                "d[65535] b[1111111111111111] h[FFFF]");
    EXPECT_EQ(debugGroup(0), "d[0] b[0000000000000000] h[0000]");
    EXPECT_EQ(debugGroup(0xA5C3), "d[42435] b[1010010111000011] h[A5C3]");
}

} // namespace
} // namespace volmar::live
