#pragma once

// volmar-sim started as a separate process for one test, its frame log, and
// helpers to wait on the event loop without fixed sleeps.

#include "volmar/core/ConfigState.h"
#include "volmar/core/ImageCodec.h"

#include "ChildProcess.h"
#include "QtWait.h"
#include "TempDir.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace volmar::e2e {

using test::qtApp;

// Runs the event loop until `done` holds (30 s at most); returns done().
template <typename F>
bool waitUntil(F done, int timeoutMs = 30000) {
    return test::waitUntil(done, timeoutMs);
}

// One line of the sim's --log.
struct LoggedFrame {
    double ms = 0;
    bool set = false;
    std::vector<std::uint8_t> bytes;
    int command() const { return bytes.size() > 1 ? bytes[1] : -1; }
    int address() const { return bytes.size() > 3 ? bytes[2] | (bytes[3] << 8) : -1; }
};

class SimProcess {
public:
    // Starts the sim with a frame log in `folder` and waits for its ready line.
    SimProcess(const std::filesystem::path& folder, std::vector<std::string> args);
    ~SimProcess(); // asks the sim to end, so it removes its socket

    bool ready() const { return m_ready; }
    // Ends the sim with `signal` now (SIGTERM unplugs, SIGKILL leaves its
    // socket behind as a crash would); its exit code.
    int stop(int signal) { return m_child->terminate(signal); }
    // Writes one command into the sim's runtime pipe and waits until the sim
    // carried it out; its line about it ("volmar-sim: did axis 1 900"), or
    // "" when it refused the command or did not answer in time.
    std::string command(const std::string& line);
    std::string output(); // stdout and stderr so far, for failure messages
    std::vector<LoggedFrame> frames() const;

private:
    std::filesystem::path m_log;
    std::filesystem::path m_socket;
    std::unique_ptr<test::ChildProcess> m_child;
    bool m_ready = false;
};

inline std::string path(const std::filesystem::path& p) {
    return p.string();
}

// Splits "--a 1 --b" at single spaces into program arguments.
std::vector<std::string> splitArgs(const std::string& line);

// A complete configuration image: the editor's start-up state with a few
// fields changed (and `edit` applied after them), encoded.
ConfigImage knownImage(const std::string& name, const std::string& vid, const std::string& pid,
                       const std::function<void(ConfigState&)>& edit = {});

using test::readFileBytes;
using test::writeFileBytes;
using test::writeFileText;

} // namespace volmar::e2e
