#include "volmar/sysio/DeviceLock.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace volmar::sysio {

namespace {

std::string& nameOfThisProgram() {
    static std::string name = program_invocation_short_name;
    return name;
}

// The process that holds a flock on the file with this device and inode,
// from the kernel's list of locks; 0 when it cannot be told.
pid_t flockHolder(const struct stat& st) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream in(line);
        std::string number, type, mode, access, where;
        pid_t pid = 0;
        in >> number >> type;
        if (type == "->") {
            continue; // a waiter, not the holder
        }
        in >> mode >> access >> pid >> where;
        unsigned major = 0;
        unsigned minor = 0;
        unsigned long inode = 0;
        if (type != "FLOCK" ||
            std::sscanf(where.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) {
            continue;
        }
        if (major == ::major(st.st_dev) && minor == ::minor(st.st_dev) && inode == st.st_ino) {
            return pid;
        }
    }
    return 0;
}

std::string processName(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// "<program> <pid>" as the holder wrote it into a lock file.
LockHolder readRecord(int fd) {
    char buffer[256] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    LockHolder record;
    if (n <= 0) {
        return record;
    }
    std::istringstream in(std::string(buffer, static_cast<std::size_t>(n)));
    in >> record.program >> record.pid;
    if (!in) {
        return {};
    }
    return record;
}

LockHolder holderOfOpen(int fd, DeviceLock::Kind kind) {
    LockHolder holder;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        holder.pid = flockHolder(st);
    }
    if (kind == DeviceLock::Kind::File) {
        // The record may be a previous holder's until the new one has
        // written its own: the kernel's pid decides.
        const LockHolder record = readRecord(fd);
        if (!record.program.empty() && (holder.pid == 0 || holder.pid == record.pid)) {
            return record;
        }
    }
    if (holder.pid != 0) {
        holder.program = processName(holder.pid);
    }
    return holder;
}

int openFlags(DeviceLock::Kind kind) {
    return kind == DeviceLock::Kind::Node ? O_RDONLY | O_NOCTTY | O_NONBLOCK
                                          : O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY;
}

} // namespace

const std::string& programName() {
    return nameOfThisProgram();
}

void setProgramName(std::string name) {
    nameOfThisProgram() = std::move(name);
}

std::string inUseText(const LockHolder& holder) {
    std::string text = "in use by ";
    text += holder.program.empty() ? "another program" : holder.program;
    if (holder.pid != 0) {
        text += ", pid " + std::to_string(holder.pid);
    }
    return text;
}

Result<DeviceLock> DeviceLock::acquire(const std::filesystem::path& path, Kind kind) {
    auto fd = openFile(path, openFlags(kind), 0600);
    if (!fd) {
        return fd.error();
    }
    if (::flock(fd->get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return Error{EBUSY, inUseText(holderOfOpen(fd->get(), kind))};
        }
        return Error::fromErrno(errno);
    }
    if (kind == Kind::File) {
        // Naming the holder is a courtesy: a record that cannot be written
        // leaves the lock held all the same.
        const std::string record = programName() + " " + std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd->get(), 0) == 0) {
            [[maybe_unused]] const ssize_t n = ::pwrite(fd->get(), record.data(), record.size(), 0);
        }
    }
    return DeviceLock(std::move(*fd));
}

LockHolder DeviceLock::holderOf(const std::filesystem::path& path, Kind kind) {
    const auto fd = openFile(path, kind == Kind::Node ? openFlags(kind) : O_RDONLY | O_NOFOLLOW);
    return fd ? holderOfOpen(fd->get(), kind) : LockHolder{};
}

} // namespace volmar::sysio
