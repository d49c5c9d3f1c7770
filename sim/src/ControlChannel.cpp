#include "ControlChannel.h"

#include "volmar/vhid/Wire.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace volmar::sim {

Result<std::unique_ptr<ControlChannel>> ControlChannel::open(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            return Error{EEXIST, path.string() + " exists and is not a named pipe"};
        }
        ::unlink(path.c_str());
    }
    if (::mkfifo(path.c_str(), 0600) != 0) {
        return Error::fromErrno(errno, "cannot make " + path.string());
    }
    // Read and write: the pipe never reads as ended while the sim runs.
    auto fd = sysio::openFile(path, O_RDWR | O_NONBLOCK);
    if (!fd) {
        ::unlink(path.c_str());
        return Error{fd.error().code,
                     "cannot open " + path.string() + " (" + fd.error().text + ")"};
    }
    return std::unique_ptr<ControlChannel>(new ControlChannel(path, std::move(*fd)));
}

std::unique_ptr<ControlChannel> ControlChannel::openFor(const std::string& id) {
    auto channel = open(vhid::deviceFolder() / (id + ".control"));
    if (!channel) {
        std::fprintf(stderr, "volmar-sim: %s; no runtime commands\n", channel.error().text.c_str());
        return nullptr;
    }
    return std::move(*channel);
}

ControlChannel::~ControlChannel() {
    ::unlink(m_path.c_str());
}

void ControlChannel::serve(BoardSettings& board, InputControl& input) {
    char buffer[1024];
    for (;;) {
        const ssize_t got = ::read(m_fd.get(), buffer, sizeof buffer);
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
