// The settings file: defaults, what a hand-edited file may hold, and writing
// that keeps the rest of the file.

#include "volmar/core/ProgramSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace volmar {
namespace {

TEST(ProgramSettings, MissingFileOrKeysReadAsDefaults) {
    for (const char* text : {"", "[Main]\n", "[Other]\nDebug=1\n", "Debug=1\n[Main]\n"}) {
        const ProgramSettings s = parseProgramSettings(text);
        EXPECT_EQ(s, ProgramSettings{}) << text;
    }
    const ProgramSettings d;
    EXPECT_EQ(d.Translate, "P\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9(Russian)");
    EXPECT_EQ(d.PositionX, 10);
    EXPECT_EQ(d.PositionY, 10);
    EXPECT_EQ(d.MCU, "atmega32u4");
    EXPECT_EQ(d.BootLoader, "Arduino");
    EXPECT_FALSE(d.Debug);
    EXPECT_FALSE(d.AutoBindButtons);
}

TEST(ProgramSettings, ReadsAHandEditedFile) {
    const ProgramSettings s = parseProgramSettings("; kept by VolmarSetup\r\n"
                                                   "[main]\r\n"
                                                   "  positionx = abc \r\n"
                                                   "PositionY=-40\r\n"
                                                   "Debug=5\r\n"
                                                   "Debug=0\r\n"
                                                   ";AutoBindButtons=1\r\n"
                                                   "AutoBindButtons=yes\r\n"
                                                   "Translate=English\r\n"
                                                   "[FIRMWARE]\r\n"
                                                   "MCU=xyz\r\n"
                                                   "File=/home/me/fw=1.hex\r\n");
    EXPECT_EQ(s.PositionX, 10) << "not a number: the default";
    EXPECT_EQ(s.PositionY, -40);
    EXPECT_TRUE(s.Debug) << "the first of two equal keys counts; any non-zero number is true";
    EXPECT_FALSE(s.AutoBindButtons) << "a comment sets nothing, \"yes\" is not a number";
    EXPECT_EQ(s.Translate, "English");
    EXPECT_EQ(s.MCU, "xyz");
    EXPECT_EQ(s.File, "/home/me/fw=1.hex");
    EXPECT_EQ(s.BootLoader, "Arduino");
}

TEST(ProgramSettings, WritesEveryKeyAndReadsThemBack) {
    ProgramSettings s;
    s.Translate = "Deutsch";
    s.Debug = true;
    s.PositionX = -3;
    s.PositionY = 700;
    s.AutoBindButtons = true;
    s.File = "/tmp/a b.hex";
    s.MCU = "at90usb1286";
    s.BootLoader = "Teensy2";
    s.ArduinoPort = "/dev/ttyACM0";
    const std::string text = updateProgramSettings("", s);
    EXPECT_EQ(parseProgramSettings(text), s);
    for (const char* key :
         {"[Main]", "Translate=", "Debug=1", "PositionX=-3", "PositionY=700", "AutoBindButtons=1",
          "[Firmware]", "File=", "MCU=", "BootLoader=", "ArduinoPort="}) {
        EXPECT_NE(text.find(key), std::string::npos) << key << " in\n" << text;
    }
}

TEST(ProgramSettings, KeepsWhatElseTheFileHolds) {
    ProgramSettings s;
    s.Debug = true;
    const std::string text = updateProgramSettings("; my notes\n"
                                                   "[Main]\n"
                                                   "Debug=0\n"
                                                   "Theme=dark\n"
                                                   "\n"
                                                   "[Tools]\n"
                                                   "Editor=vim\n",
                                                   s);
    EXPECT_EQ(text.rfind("; my notes\n[Main]\nDebug=1\nTheme=dark\n", 0), 0u) << text;
    // Keys the file lacked go into their own section, before the next one.
    const auto tools = text.find("[Tools]\nEditor=vim\n");
    ASSERT_NE(tools, std::string::npos) << text;
    EXPECT_LT(text.find("PositionX=10"), tools);
    EXPECT_GT(text.find("[Firmware]"), tools);
}

TEST(ProgramSettings, SavingTheSameValuesTwiceGivesTheSameFile) {
    ProgramSettings s;
    s.MCU = "at90usb646";
    // CR LF ends, a stray CR more on a blank line and after a comment.
    const std::string once =
        updateProgramSettings("[Main]\r\nDebug=1\r\n\r\r\n; note\r\r\n[Firmware]\r\n", s);
    EXPECT_EQ(updateProgramSettings(once, s), once);
    EXPECT_EQ(once.find('\r'), std::string::npos) << once;
    EXPECT_EQ(parseProgramSettings(once), s);
}

TEST(ProgramSettings, AValueCannotAddLinesOfItsOwn) {
    ProgramSettings s;
    s.File = "a.hex\r\n[Main]\nDebug=1";
    const ProgramSettings back = parseProgramSettings(updateProgramSettings("", s));
    EXPECT_FALSE(back.Debug);
    EXPECT_EQ(back.File, "a.hex  [Main] Debug=1");
}

} // namespace
} // namespace volmar
