#include "SimProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace volmar::sim::test {

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all{VOLMAR_SIM_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&m_pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
    if (rc != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start " + all[0]);
    }
}

SimProcess::~SimProcess() {
    if (m_pid > 0 && !m_reaped) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    ::close(m_out);
    ::close(m_err);
}

void SimProcess::drain(int fd, std::string& into, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) {
        return;
    }
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n > 0) {
        into.append(buf, static_cast<std::size_t>(n));
    }
}

std::string SimProcess::waitForLine(const std::string& prefix, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t searched = 0;
    for (;;) {
        for (;;) {
            const auto nl = m_outText.find('\n', searched);
            if (nl == std::string::npos) {
                break;
            }
            std::string line = m_outText.substr(searched, nl - searched);
            searched = nl + 1;
            if (line.rfind(prefix, 0) == 0) {
                m_outText.erase(0, searched); // lines before are consumed too
                return line;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            return {};
        }
        drain(m_out, m_outText, static_cast<int>(std::min<long>(left, 100)));
    }
}

std::filesystem::path SimProcess::waitReady(int timeoutMs) {
    const std::string prefix = "volmar-sim: ready ";
    const std::string line = waitForLine(prefix, timeoutMs);
    return line.empty() ? std::filesystem::path()
                        : std::filesystem::path(line.substr(prefix.size()));
}

int SimProcess::waitExit(int timeoutMs) {
    if (m_reaped) {
        return m_exit;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_reaped = true;
            m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return m_exit;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        drain(m_err, m_errText, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int SimProcess::terminate(int signal) {
    if (!m_reaped) {
        ::kill(m_pid, signal);
    }
    return waitExit(10000);
}

std::string SimProcess::stderrText() {
    for (;;) {
        const std::size_t before = m_errText.size();
        drain(m_err, m_errText, m_reaped ? 100 : 0);
        if (m_errText.size() == before) {
            return m_errText;
        }
    }
}

} // namespace volmar::sim::test
