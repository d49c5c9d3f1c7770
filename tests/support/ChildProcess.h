#pragma once

// A built program (volmar-sim, volmarctl) run as a child process by a test,
// with its stdout and stderr read through pipes. Plain POSIX, no Qt, so the
// Qt-free suites and the end-to-end suites start programs the same way.

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace volmar::test {

class ChildProcess {
public:
    // Throws std::runtime_error when the program cannot be started.
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess(); // kills a child that is still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for a stdout line starting with `prefix`; returns it or "".
    // The lines before it are consumed too.
    std::string waitForLine(const std::string& prefix, int timeoutMs);
    // Exit code, or -1 when it did not end in time (or died by a signal).
    int waitExit(int timeoutMs);
    int terminate(int signal = SIGTERM); // the signal, then waitExit
    pid_t pid() const { return m_pid; }
    std::string stdoutText(); // stdout not yet consumed by waitForLine
    std::string stderrText(); // all stderr so far

private:
    // Reads what either pipe has within `timeoutMs`; false when nothing came
    // (or both pipes are closed).
    bool pump(int timeoutMs);

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_outText;
    std::string m_errText;
    int m_exit = -1;
    bool m_reaped = false;
};

struct RunResult {
    int exitCode = -1; // -1 when it crashed or did not end in time
    std::string out;
    std::string err;
};

// Runs `program` to its end and collects both streams.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     int timeoutMs = 60000);

// volmar-sim prints "volmar-sim: ready <socket>" once its socket accepts
// connections; the socket, or empty when it never became ready.
std::filesystem::path waitForSimReady(ChildProcess& sim, int timeoutMs = 10000);

} // namespace volmar::test
