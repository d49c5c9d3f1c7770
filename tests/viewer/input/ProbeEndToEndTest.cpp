// inspecta-probe against a running volmar-sim, both as separate processes:
// the sim is listed as a game controller with its axes, hat and buttons, and
// its input reports come out as events.
#include "InputTestSupport.h"
#include "volmar/vhid/Wire.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace volmar::input {
namespace {

const std::filesystem::path kBinary = VOLMAR_BINARY_DIR;

class SimRunning {
public:
    explicit SimRunning(const std::filesystem::path& program) {
        const std::string path = program.string();
        std::vector<char*> argv = {const_cast<char*>(path.c_str()), nullptr};
        if (::posix_spawn(&m_pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
    }
    ~SimRunning() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    bool started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    ::pclose(pipe);
    return out;
}

TEST(ProbeEndToEndTest, ListsTheRunningSimAndPrintsItsEvents) {
    const auto sim = kBinary / "sim" / "volmar-sim";
    const auto probe = kBinary / "viewer" / "input" / "inspecta-probe";
    if (!std::filesystem::exists(sim)) {
        GTEST_SKIP() << "volmar-sim is not part of this build";
    }
    ASSERT_TRUE(std::filesystem::exists(probe));
    SimRunning running(sim);
    ASSERT_TRUE(running.started());
    const auto folder = vhid::deviceFolder();
    ASSERT_TRUE(test::waitFor([&] {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            if (entry.path().extension() == ".sock") {
                return true;
            }
        }
        return false;
    }));
    const std::string out = run(probe.string() + " --events 5 --count 20");
    EXPECT_NE(out.find("game controller \""), std::string::npos) << out;
    EXPECT_NE(out.find("X Axis"), std::string::npos) << out;
    EXPECT_NE(out.find("Hat Switch"), std::string::npos) << out;
    EXPECT_NE(out.find("Button 1 "), std::string::npos) << out;
    EXPECT_NE(out.find(" acquired"), std::string::npos) << out;
    EXPECT_NE(out.find(" seq "), std::string::npos) << "no events printed:\n" << out;
}

} // namespace
} // namespace volmar::input
