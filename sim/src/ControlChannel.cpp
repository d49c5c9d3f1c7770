#include "ControlChannel.h"

#include "volmar/vhid/Wire.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace volmar::sim {

std::unique_ptr<ControlChannel> ControlChannel::open(const std::filesystem::path& path,
                                                     std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            error = path.string() + " exists and is not a named pipe";
            return nullptr;
        }
        ::unlink(path.c_str());
    }
    if (::mkfifo(path.c_str(), 0600) != 0) {
        error = "cannot make " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    // Read and write: the pipe never reads as ended while the sim runs.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path.string() + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<ControlChannel>(new ControlChannel(path, fd));
}

std::unique_ptr<ControlChannel> ControlChannel::openFor(const std::string& id) {
    std::string error;
    auto channel = open(vhid::deviceFolder() / (id + ".control"), error);
    if (!channel) {
        std::fprintf(stderr, "volmar-sim: %s; no runtime commands\n", error.c_str());
    }
    return channel;
}

ControlChannel::~ControlChannel() {
    ::close(m_fd);
    ::unlink(m_path.c_str());
}

void ControlChannel::serve(BoardSettings& board, InputControl& input) {
    char buffer[1024];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno != EAGAIN && errno != EINTR) {
                std::fprintf(stderr, "volmar-sim: reading %s: %s\n", m_path.c_str(),
                             std::strerror(errno));
            }
            return;
        }
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (!m_overlong) {
                    line(m_pending, board, input);
                }
                m_pending.clear();
                m_overlong = false;
            } else if (m_pending.size() < kMaxLine) {
                m_pending += c;
            } else if (!m_overlong) {
                m_overlong = true;
                std::fprintf(stderr,
                             "volmar-sim: control: a line longer than %zu bytes is "
                             "dropped\n",
                             kMaxLine);
            }
        }
    }
}

void ControlChannel::line(std::string_view text, BoardSettings& board, InputControl& input) {
    const CommandResult result = applyCommand(text, board, input);
    if (result.empty) {
        return;
    }
    if (result.ok) {
        std::printf("volmar-sim: did %s\n", result.text.c_str());
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "volmar-sim: control: %s\n", result.text.c_str());
    }
}

} // namespace volmar::sim
