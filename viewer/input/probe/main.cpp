// inspecta-probe: lists the devices and objects the viewer's input service
// finds and prints their events, so users can check permissions and see what
// Inspecta will show.

#include "Probe.h"

#include "volmar/sysio/CommandLine.h"
#include "volmar/sysio/Text.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace volmar::input;

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}

// Devices of enabled classes that are listed but cannot be opened: the
// service skips them silently, the probe says why.
void reportUnopened(InputApi& api, bool game, bool pointer, bool keyboard) {
    for (DeviceClass c :
         {DeviceClass::GameController, DeviceClass::Pointer, DeviceClass::Keyboard}) {
        const bool on = c == DeviceClass::GameController ? game
                        : c == DeviceClass::Pointer      ? pointer
                                                         : keyboard;
        if (!on) {
            continue;
        }
        api.enumDevices(c, [&](const DeviceInstance& instance) {
            if (const auto device = api.openDevice(instance.instanceId); !device) {
                std::printf("%s \"%s\"  %s  cannot be opened: %s\n", probe::className(c),
                            instance.productName.c_str(), instance.path.c_str(),
                            device.error().text.c_str());
            }
            return DIENUM_CONTINUE;
        });
    }
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Lists the game controllers, pointers and keyboards Inspecta can read, with "
                 "their objects, and prints their input events."};
    bool game = true;
    bool pointer = false;
    bool keyboard = false;
    bool all = false;
    double seconds = 0;
    long maxEvents = -1; // no limit
    app.add_flag("--pointer", pointer, "also list pointer devices");
    app.add_flag("--keyboard", keyboard, "also list keyboards");
    app.add_flag("--all", all, "list every class");
    app.add_option("--events", seconds, "print events for this many seconds (0: list only)")
        ->check([](const std::string& text) {
            // Whole or fractional seconds, at most a day; not -1, nan or inf.
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            const bool ok =
                end != text.c_str() && *end == '\0' && std::isfinite(v) && v >= 0 && v <= 86400;
            return ok ? std::string()
                      : "expected seconds from 0 to 86400, got " + volmar::sysio::shortened(text);
        });
    app.add_option("--count", maxEvents, "stop after this many events")
        ->check(CLI::Range(1L, std::numeric_limits<long>::max()));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return volmar::sysio::exitForParseError(
            app, e, "inspecta-probe",
            "inspecta-probe [--pointer] [--keyboard] [--all] [--events SECONDS] [--count N]");
    }
    if (all) {
        pointer = keyboard = true;
    }

    CDeviceManager manager;
    const HResult hr = manager.Create();
    if (failed(hr)) {
        std::fprintf(stderr, "inspecta-probe: the input API could not be created (0x%x)\n", hr);
        return 1;
    }
    manager.setGameControllerClass(game ? 1 : 0);
    manager.setPointerClass(pointer ? 1 : 0);
    manager.setKeyboardClass(keyboard ? 1 : 0);
    manager.Enumerate();
    // Whether each device was readable at the last look, to say when one
    // goes away (and comes back). The first look is the one listed: a device
    // lost between the listing and the first event is said to go away too.
    std::vector<std::uint32_t> reading;
    for (const auto& device : manager.devices()) {
        reading.push_back(device->acquiredFlag());
        std::printf("%s\n", probe::describeDevice(*device, reading.back() != 0).c_str());
        for (const ObjectRecord& object : device->objects) {
            std::printf("%s\n", probe::describeObject(object).c_str());
        }
    }
    reportUnopened(*manager.api(), game, pointer, keyboard);
    if (manager.devices().empty()) {
        std::printf("no devices found (reading needs access to /dev/input/event* or, for all "
                    "128 buttons, /dev/hidraw*)\n");
    }
    std::fflush(stdout);
    if (seconds <= 0) {
        return 0;
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    auto nextUpkeep = Clock::now() + std::chrono::seconds(1);
    long printed = 0;
    // A console program may sleep: it polls the queues like a window's timer.
    while (g_stop == 0 && Clock::now() < end && (maxEvents < 0 || printed < maxEvents)) {
        for (std::size_t i = 0; i < manager.devices().size(); ++i) {
            DeviceRecord& device = *manager.devices()[i];
            DeviceObjectData item;
            while (device.popFront(item) && (maxEvents < 0 || printed < maxEvents)) {
                std::printf("%s\n", probe::describeEvent(device, item).c_str());
                ++printed;
            }
            const std::uint32_t now = device.acquiredFlag();
            if (now != reading[i]) {
                std::printf("%s\n", probe::describePresence(device, now != 0).c_str());
                reading[i] = now;
            }
        }
        std::fflush(stdout);
        if (Clock::now() >= nextUpkeep) {
            manager.Reacquire();
            manager.Resync();
            nextUpkeep += std::chrono::seconds(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}
