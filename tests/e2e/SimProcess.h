#pragma once

// volmar-sim started as a separate process for one test, its frame log, and
// helpers to wait on the event loop without fixed sleeps.

#include "volmar/core/ImageCodec.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace volmar::e2e {

QCoreApplication& qtApp();

// Runs the event loop until `done` holds or `timeoutMs` passed; returns done().
template <typename F>
bool waitUntil(F done, int timeoutMs = 30000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // Wakes the loop now and then, so waiting for events never outlives the deadline.
    QTimer heartbeat;
    heartbeat.start(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
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
    SimProcess(const std::filesystem::path& folder, QStringList args);
    ~SimProcess();

    bool ready() const { return m_ready; }
    const std::string& output() const { return m_output; }
    std::filesystem::path logPath() const { return m_log; }
    std::vector<LoggedFrame> frames() const;

private:
    QProcess m_process;
    std::filesystem::path m_log;
    std::string m_output;
    bool m_ready = false;
};

// A complete, valid configuration image: the editor's start-up state with a
// few fields changed, encoded.
ConfigImage knownImage(const std::string& name, const std::string& vid, const std::string& pid);

void writeFile(const std::filesystem::path& path, const ConfigImage& image);
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

} // namespace volmar::e2e
