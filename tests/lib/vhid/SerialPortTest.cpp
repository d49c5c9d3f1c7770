// The serial ports a virtual controller publishes while in its bootloader:
// what the configurator's list takes for a port and what it leaves out.
#include "volmar/vhid/SerialPort.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace volmar::vhid {
namespace {

using test::TempDir;
using test::writeFileText;

// The id of a process that has ended and been reaped.
pid_t deadPid() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(SerialPort, ListsLivePortsOnlyAndRemovesItsFileWhenItGoes) {
    TempDir folder;
    auto b = SerialPort::publish(folder / "b.tty");
    ASSERT_TRUE(b) << b.error().text;
    auto a = SerialPort::publish(folder / "a.tty");
    ASSERT_TRUE(a) << a.error().text;
    // Not ports: a socket's neighbours, a half-made one, one whose sim was killed.
    writeFileText(folder / "c.sock", "");
    writeFileText(folder / ".d.tty.123", std::to_string(::getpid()));
    writeFileText(folder / "e.tty", std::to_string(deadPid()) + "\n");
    writeFileText(folder / "f.tty", "not a process id\n");
    std::filesystem::create_directory(folder / "g.tty");

    EXPECT_EQ(serialPorts(folder.path()), (std::vector{folder / "a.tty", folder / "b.tty"}));
    a->reset();
    EXPECT_EQ(serialPorts(folder.path()), std::vector{folder / "b.tty"});
    EXPECT_FALSE(std::filesystem::exists(folder / "a.tty"));
    EXPECT_TRUE(serialPorts(folder / "missing").empty());
}

TEST(SerialPort, PublishingIntoAMissingFolderFailsWithTheSystemText) {
    TempDir folder;
    const auto port = SerialPort::publish(folder / "missing" / "a.tty");
    ASSERT_FALSE(port);
    EXPECT_EQ(port.error().text, "No such file or directory");
}

} // namespace
} // namespace volmar::vhid
