#include "SimTestSupport.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace volmar::sim::test {
namespace {

EepromImage filled(std::uint8_t v) {
    EepromImage e;
    e.fill(v);
    return e;
}

TEST(EepromIdentity, BlankEepromPresentsTheFactoryIdentity) {
    for (std::uint8_t v : {0x00, 0xFF}) {
        EXPECT_TRUE(isBlank(filled(v)));
        EXPECT_EQ(identityOf(filled(v)), (Identity{0x8888, 0x8888, "Volmar2"})) << int(v);
    }
}

TEST(EepromIdentity, OneConfiguredByteMakesItNotBlank) {
    EepromImage e = filled(0xFF);
    e[1023] = 0xFE;
    EXPECT_FALSE(isBlank(e));
    EXPECT_EQ(identityOf(e).vendorId, 0xFFFF);
}

TEST(EepromIdentity, IdsAreLittleEndianAndTheNameStopsAtItsFirstZero) {
    EXPECT_EQ(identityOf(configuredImage()), (Identity{0x1A2B, 0x3C4D, "TestPad"}));
    EepromImage e = configuredImage();
    e[image::kName + 3] = 0; // "Tes" then a zero: the rest is not part of the name
    EXPECT_EQ(identityOf(e).product, "Tes");
}

TEST(EepromIdentity, TwentyCharacterNameHasNoTerminatorAndIsNotOverrun) {
    EepromImage e = configuredImage();
    for (std::size_t i = 0; i < image::kNameSize; ++i) {
        e[image::kName + i] = static_cast<std::uint8_t>('a' + i);
    }
    // byte 490, right after the name, is the descriptor length (73 = 'I')
    EXPECT_EQ(identityOf(e).product, "abcdefghijklmnopqrst");
}

// Names written elsewhere may hold bytes above 0x7F (the name field keeps
// the low 8 bits of each character): the host sees them as Latin-1, so the
// product string must stay valid UTF-8 for every consumer of the device.
TEST(EepromIdentity, NameBytesAbove127AreLatin1InUtf8) {
    EepromImage e = configuredImage();
    std::fill_n(e.begin() + image::kName, image::kNameSize, 0);
    const Bytes name{'J', 0xE9, 'r', 0xF4, 'm', 0xFF};
    std::copy(name.begin(), name.end(), e.begin() + image::kName);
    EXPECT_EQ(identityOf(e).product, "J\xC3\xA9r\xC3\xB4m\xC3\xBF");
}

struct PollCase {
    std::uint8_t flags;
    int ms;
};
class EepromPoll : public ::testing::TestWithParam<PollCase> {};
TEST_P(EepromPoll, CodeInHighNibble) {
    EepromImage e = configuredImage();
    e[image::kUsbFlags] = GetParam().flags;
    EXPECT_EQ(pollIntervalMs(e), GetParam().ms);
}
INSTANTIATE_TEST_SUITE_P(Codes, EepromPoll,
                         ::testing::Values(PollCase{0x11, 1}, PollCase{0x21, 2}, PollCase{0x41, 4},
                                           PollCase{0x81, 8}, PollCase{0x01, 8},
                                           PollCase{0x00, 8}));

TEST(EepromDescriptor, LengthZeroOrBeyondTheRoomIsNoDescriptor) {
    EepromImage e = configuredImage();
    ASSERT_TRUE(storedJoystickDescriptor(e).has_value());
    EXPECT_EQ(*storedJoystickDescriptor(e), defaultJoystickDescriptor());
    e[image::kDescriptorLength] = 150;
    EXPECT_EQ(storedJoystickDescriptor(e)->size(), 150u);
    e[image::kDescriptorLength] = 151;
    EXPECT_FALSE(storedJoystickDescriptor(e).has_value());
    e[image::kDescriptorLength] = 0;
    EXPECT_FALSE(storedJoystickDescriptor(e).has_value());
}

class EepromFile : public ::testing::Test {
protected:
    volmar::test::TempDir m_dir;
};

TEST_F(EepromFile, MissingFileIsAnErasedEeprom) {
    const auto e = loadEepromFile(m_dir / "none.bin");
    ASSERT_TRUE(e.ok()) << e.error().text;
    EXPECT_EQ(*e, filled(0xFF));
}

TEST_F(EepromFile, ShortFileFillsTheStartAndLeavesTheRestErased) {
    volmar::test::writeFileBytes(m_dir / "img", Bytes(641, 0x11));
    const auto e = loadEepromFile(m_dir / "img");
    ASSERT_TRUE(e.ok()) << e.error().text;
    EXPECT_EQ((*e)[640], 0x11);
    EXPECT_EQ((*e)[641], 0xFF);
}

TEST_F(EepromFile, FilesOfAnotherSizeOrUnreadableFailWithTheReason) {
    volmar::test::writeFileBytes(m_dir / "big", Bytes(1025, 0));
    volmar::test::writeFileBytes(m_dir / "odd", Bytes(1000, 0));
    volmar::test::writeFileBytes(m_dir / "empty", Bytes{});
    std::filesystem::create_directory(m_dir / "dir");
    for (const auto& [file, reason] :
         {std::pair{"big", "holds more than 1024 bytes"}, std::pair{"odd", "holds 1000 bytes"},
          std::pair{"empty", "holds 0 bytes; give a 1024-byte"},
          std::pair{"dir", "Is a directory"}}) {
        const auto e = loadEepromFile(m_dir / file);
        ASSERT_FALSE(e.ok()) << file;
        EXPECT_NE(e.error().text.find(reason), std::string::npos) << e.error().text;
    }
}

TEST_F(EepromFile, SaveReplacesTheWholeFileAndLeavesNoTemporary) {
    volmar::test::writeFileBytes(m_dir / "e.bin", Bytes(2000, 0x55)); // longer old content must go
    const EepromImage e = configuredImage();
    const Status saved = saveEepromFile(m_dir / "e.bin", e);
    ASSERT_TRUE(saved.ok()) << saved.error().text;
    EXPECT_EQ(volmar::test::readFileBytes(m_dir / "e.bin"), Bytes(e.begin(), e.end()));
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
        EXPECT_EQ(entry.path().filename(), "e.bin") << "left behind";
    }
    const auto back = loadEepromFile(m_dir / "e.bin");
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, e);
}

TEST_F(EepromFile, SaveIntoAMissingFolderFailsAndKeepsNothing) {
    const Status saved = saveEepromFile(m_dir / "no" / "e.bin", configuredImage());
    ASSERT_FALSE(saved.ok());
    EXPECT_NE(saved.error().text.find("No such file or directory"), std::string::npos)
        << saved.error().text;
}

} // namespace
} // namespace volmar::sim::test
