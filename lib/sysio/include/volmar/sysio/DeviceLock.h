#pragma once

// One program per controller: an exclusive, advisory lock (flock) held for
// as long as a program talks to the device. For a hidraw node the lock is on
// the node itself; a virtual device has a lock file beside its socket, into
// which the holder writes its program name and pid. A program that is
// refused names the holder ("in use by VolmarSetup, pid 1234"): from the lock
// file, else from the kernel's list of locks (/proc/locks) and the holder's
// process name. The kernel drops the lock with the process, so a crash
// leaves no stale lock behind.

#include "volmar/sysio/Fd.h"
#include "volmar/sysio/Result.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace volmar::sysio {

// How this process names itself to a program it keeps off a device. By
// default its executable's name; the configurator window sets
// "VolmarSetup", volmarctl "volmarctl".
const std::string& programName();
void setProgramName(std::string name);

struct LockHolder {
    std::string program; // empty when unknown
    pid_t pid = 0;       // 0 when unknown
};

// "in use by VolmarSetup, pid 1234" (or as much of it as is known).
std::string inUseText(const LockHolder& holder);

class DeviceLock {
public:
    enum class Kind {
        Node, // lock the device node itself (it must exist)
        File, // lock a file of our own, created when missing
    };

    DeviceLock() = default;

    // Takes the lock without waiting. Fails with EBUSY and inUseText() when
    // another open of the file (another program, or this one) holds it.
    static Result<DeviceLock> acquire(const std::filesystem::path& path, Kind kind);

    bool held() const { return m_fd.valid(); }
    // Lets go now (also done when the object goes).
    void release() { m_fd.reset(); }

    // Who holds the lock on `path`, as far as can be told; for tests and
    // messages.
    static LockHolder holderOf(const std::filesystem::path& path, Kind kind);

private:
    explicit DeviceLock(UniqueFd fd) : m_fd(std::move(fd)) {}
    UniqueFd m_fd;
};

} // namespace volmar::sysio
