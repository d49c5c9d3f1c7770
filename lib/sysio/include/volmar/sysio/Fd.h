#pragma once

// An owned file descriptor and the few plain-POSIX helpers around it that
// every file and device path needs: opening with a Result, reading until a
// buffer is full, writing everything.

#include "volmar/sysio/Result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <sys/types.h>

namespace volmar::sysio {

// Closes its descriptor when it goes; moves, never copies.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }

    // Hands the descriptor over; this one owns nothing afterwards.
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);
    // Closes now and says what close() said: a write that failed late (a
    // full disk, NFS) shows only here.
    Status close();

private:
    int m_fd = -1;
};

// open(2) with O_CLOEXEC; the error holds the system's words only, so each
// caller says what it was opening.
Result<UniqueFd> openFile(const std::filesystem::path& path, int flags, mode_t mode = 0);

// Reads until `buffer` is full or the end of the file: the bytes read.
Result<std::size_t> readFull(int fd, std::span<std::uint8_t> buffer);

// Writes every byte (short writes and EINTR continue).
Status writeAll(int fd, std::span<const std::uint8_t> bytes);

} // namespace volmar::sysio
