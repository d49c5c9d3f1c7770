#pragma once

// Runs the volmar-sim program built by CMake as a child process for the
// end-to-end tests, with its stdout/stderr captured.

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace volmar::sim::test {

class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess(); // kills a sim that is still running
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Waits for a stdout line starting with `prefix`; returns it or "".
    std::string waitForLine(const std::string& prefix, int timeoutMs);
    // "volmar-sim: ready <path>" -> path; empty when it never became ready.
    std::filesystem::path waitReady(int timeoutMs = 10000);
    // Exit code, or -1 when it did not end in time (or died by a signal).
    int waitExit(int timeoutMs);
    int terminate(int signal = SIGTERM); // the signal, then waitExit
    std::string stderrText();            // all stderr so far

private:
    void drain(int fd, std::string& into, int timeoutMs);

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_outText;
    std::string m_errText;
    int m_exit = -1;
    bool m_reaped = false;
};

} // namespace volmar::sim::test
