// The scripts the upload writes, run for real with /bin/sh: a hostile file
// or port name stays one argument and is never executed, and each shipped
// template calls its loader tool with the arguments that tool expects.
#include "volmar/core/LoaderScript.h"

#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace volmar::firmware {
namespace {

namespace fs = std::filesystem;
using test::readFileText;
using test::TempDir;
using test::writeFileText;

// Runs `script` with /bin/sh in `folder`; its exit code.
int runScript(const fs::path& folder, const std::string& script) {
    writeFileText(folder / "DarOzazoz_temp.sh", script);
    const test::RunResult run = test::runProgram(
        "/bin/sh", {"-c", "cd \"$1\" && /bin/sh ./DarOzazoz_temp.sh", "sh", folder.string()});
    EXPECT_TRUE(run.err.empty()) << run.err;
    return run.exitCode;
}

TEST(LoaderScriptRun, HostileNamesArriveAsOneArgumentAndNeverRun) {
    const std::string hostile[] = {
        "/tmp/fw dir/a b.hex",
        "it's \"quoted\".hex",
        "x.hex; touch pwned",
        "$(touch pwned).hex",
        "`touch pwned`.hex",
        "a|b&c>pwned<d.hex",
        "$HOME/*.hex [x]?",
        "back\\slash\\n.hex",
        "two\nlines.hex",
        "-rf",
        "'",
        "$FILE$ $PORT$",
        "",
    };
    for (const std::string& name : hostile) {
        TempDir work;
        loader::Values values{"atmega32u4", name, name + ",/dev/ttyACM0", ""};
        const std::string script =
            loader::fillTemplate("printf '[%s]\\n' $CHIP$ $FILE$ $PORT$ $PATH$ > args\n", values);
        EXPECT_EQ(runScript(work.path(), script), 0) << name;
        EXPECT_EQ(readFileText(work / "args"),
                  "[atmega32u4]\n[" + name + "]\n[" + name + ",/dev/ttyACM0]\n[]\n")
            << name;
        EXPECT_FALSE(fs::exists(work / "pwned")) << name;
    }
}

// The loader tools, faked: each writes its name and arguments to "calls"
// beside itself. The template finds them first because "$PATH$" (the
// loader folder) goes in front of PATH.
class ShippedTemplate : public ::testing::Test {
protected:
    ShippedTemplate() {
        for (const char* tool : {"avrdude", "dfu-programmer", "teensy_loader_cli"}) {
            const fs::path fake = folder / tool;
            writeFileText(fake, "#!/bin/sh\n{ printf '%s' \"$(basename \"$0\")\"; "
                                "for a in \"$@\"; do printf ' [%s]' \"$a\"; done; echo; } "
                                ">> \"$(dirname \"$0\")/calls\"\n");
            fs::permissions(fake, fs::perms::owner_all);
        }
    }
    // The template as the build puts it beside VolmarSetup, run with `values`.
    std::string run(const char* loaderName, loader::Values values) {
        const std::string name = loaderName;
        const fs::path shipped = fs::path(VOLMAR_BINARY_DIR) / "configurator/app" /
                                 ("DarOzazoz_" + name) / (name + ".sh");
        const std::string text = readFileText(shipped);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << shipped;
        values.path = folder.path().string() + "/";
        fs::remove(folder / "calls");
        EXPECT_EQ(runScript(folder.path(), loader::fillTemplate(text, values)), 0) << name;
        return readFileText(folder / "calls");
    }

    TempDir folder;
};

TEST_F(ShippedTemplate, ArduinoCallsAvrdudeOnTheFirstPortWithItsPartName) {
    const std::string file = "/home/me/my fw's $(x).hex";
    const std::pair<const char*, const char*> parts[] = {
        {"atmega32u4", "m32u4"},  {"ATmega32U4", "m32u4"},    {"at90usb646", "usb646"},
        {"AT90USB646", "usb646"}, {"at90usb1286", "usb1286"}, {"m32u4", "m32u4"},
    };
    for (const auto& [chip, part] : parts) {
        EXPECT_EQ(run("arduino", {chip, file, "/dev/ttyACM1,/dev/ttyACM0", ""}),
                  std::string("avrdude [-p] [") + part +
                      "] [-c] [avr109] [-b] [57600] [-P] [/dev/ttyACM1] [-D] [-U] "
                      "[flash:w:/home/me/my fw's $(x).hex:i]\n")
            << chip;
    }
}

TEST_F(ShippedTemplate, AtmelFlipErasesFlashesAndResetsWithDfuProgrammer) {
    EXPECT_EQ(run("atmeldfu", {"AT90USB1286", "/fw/a b.hex", "", ""}),
              "dfu-programmer [at90usb1286] [erase]\n"
              "dfu-programmer [at90usb1286] [flash] [/fw/a b.hex]\n"
              "dfu-programmer [at90usb1286] [reset]\n");
}

TEST_F(ShippedTemplate, Teensy2WritesWithTeensyLoaderCli) {
    EXPECT_EQ(run("teensy2", {"ATmega32U4", "/fw/a;b.hex", "/dev/ttyACM0", ""}),
              "teensy_loader_cli [--mcu=atmega32u4] [-w] [-v] [/fw/a;b.hex]\n");
}

} // namespace
} // namespace volmar::firmware
