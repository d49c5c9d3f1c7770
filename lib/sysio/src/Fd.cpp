#include "volmar/sysio/Fd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace volmar::sysio {

void UniqueFd::reset(int fd) {
    if (m_fd >= 0 && m_fd != fd) {
        // Linux frees the descriptor even when close() fails; nothing to retry.
        ::close(m_fd);
    }
    m_fd = fd;
}

Status UniqueFd::close() {
    const int fd = release();
    if (fd >= 0 && ::close(fd) != 0) {
        return Error::fromErrno(errno);
    }
    return {};
}

Result<UniqueFd> openFile(const std::filesystem::path& path, int flags, mode_t mode) {
    for (;;) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
        if (fd >= 0) {
            return UniqueFd(fd);
        }
        if (errno != EINTR) {
            return Error::fromErrno(errno);
        }
    }
}

Result<std::size_t> readFull(int fd, std::span<std::uint8_t> buffer) {
    std::size_t have = 0;
    while (have < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + have, buffer.size() - have);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error::fromErrno(errno);
        }
        if (got == 0) {
            break;
        }
        have += static_cast<std::size_t>(got);
    }
    return have;
}

Status writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error::fromErrno(errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return {};
}

} // namespace volmar::sysio
