#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace volmar::test {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long>(left, 0));
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        const int e = errno;
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error(std::string("pipe: ") + std::strerror(e));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
    if (rc != 0) {
        ::close(m_out);
        ::close(m_err);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    }
}

ChildProcess::~ChildProcess() {
    if (!m_reaped) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) {
        ::close(m_out);
    }
    if (m_err >= 0) {
        ::close(m_err);
    }
}

bool ChildProcess::pump(int timeoutMs) {
    if (m_out < 0 && m_err < 0) {
        return false;
    }
    // poll() ignores negative descriptors, so a closed pipe simply drops out.
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return false;
    }
    int* fd[2] = {&m_out, &m_err};
    std::string* into[2] = {&m_outText, &m_errText};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n = ::read(*fd[i], buf, sizeof(buf));
        if (n > 0) {
            into[i]->append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            ::close(*fd[i]); // end of stream
            *fd[i] = -1;
        }
    }
    return true;
}

std::string ChildProcess::waitForLine(const std::string& prefix, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t searched = 0;
    for (;;) {
        for (auto nl = m_outText.find('\n', searched); nl != std::string::npos;
             nl = m_outText.find('\n', searched)) {
            std::string line = m_outText.substr(searched, nl - searched);
            searched = nl + 1;
            if (line.rfind(prefix, 0) == 0) {
                m_outText.erase(0, searched);
                return line;
            }
        }
        const int left = msLeft(deadline);
        if (left == 0 || (m_out < 0 && m_err < 0)) {
            return {};
        }
        pump(std::min(left, 100));
    }
}

int ChildProcess::waitExit(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_reaped) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_reaped = true;
            m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        const int left = msLeft(deadline);
        if (left == 0) {
            return -1;
        }
        // Keeps the pipes drained so a chatty child never blocks on a full one.
        if (m_out < 0 && m_err < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } else {
            pump(std::min(left, 10));
        }
    }
    return m_exit;
}

int ChildProcess::terminate(int signal) {
    if (!m_reaped) {
        ::kill(m_pid, signal);
    }
    return waitExit(10000);
}

std::string ChildProcess::stdoutText() {
    // Everything already written; once the child has ended, up to the end of both streams.
    while (pump(m_reaped ? 100 : 0)) {
    }
    return m_outText;
}

std::string ChildProcess::stderrText() {
    stdoutText(); // reads both pipes
    return m_errText;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     int timeoutMs) {
    ChildProcess child(program, args);
    RunResult result;
    result.exitCode = child.waitExit(timeoutMs);
    result.out = child.stdoutText();
    result.err = child.stderrText();
    return result;
}

std::filesystem::path waitForSimReady(ChildProcess& sim, int timeoutMs) {
    const std::string prefix = "volmar-sim: ready ";
    const std::string line = sim.waitForLine(prefix, timeoutMs);
    return line.empty() ? std::filesystem::path()
                        : std::filesystem::path(line.substr(prefix.size()));
}

} // namespace volmar::test
