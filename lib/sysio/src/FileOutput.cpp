#include "volmar/sysio/FileOutput.h"

#include "volmar/sysio/Fd.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace volmar::sysio {

namespace fs = std::filesystem;

namespace {

// The process's file creation mask, read without changing it (umask() would
// change it for every thread for a moment).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "Umask:") {
            std::string octal;
            status >> octal;
            return static_cast<mode_t>(std::strtoul(octal.c_str(), nullptr, 8));
        }
    }
    return 022;
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a file";
}

Error notRegular(mode_t mode) {
    return Error{S_ISDIR(mode) ? EISDIR : EINVAL,
                 std::string("not a regular file (") + kindOf(mode) + ")"};
}

// Where the bytes of a save to `requested` go: the path itself, or what a
// link there points at. `exists` tells whether that is a file already.
struct Target {
    fs::path path;
    bool exists = false;
    struct stat st {};
};

Result<Target> resolve(const fs::path& requested) {
    Target target{requested};
    struct stat link {};
    if (::lstat(requested.c_str(), &link) != 0) {
        if (errno == ENOENT) {
            return target; // a new file
        }
        return Error::fromErrno(errno);
    }
    if (S_ISLNK(link.st_mode)) {
        if (::stat(requested.c_str(), &target.st) != 0) {
            if (errno == ENOENT) {
                return Error{ENOENT, "a link to nothing"};
            }
            return Error::fromErrno(errno); // ELOOP: a loop of links
        }
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(requested.c_str(), nullptr),
                                                         &std::free);
        if (!real) {
            return Error::fromErrno(errno);
        }
        target.path = real.get();
    } else {
        target.st = link;
    }
    if (!S_ISREG(target.st.st_mode)) {
        return notRegular(target.st.st_mode);
    }
    target.exists = true;
    return target;
}

// One file of the save, prepared: its bytes in a temporary beside the target
// (to be renamed over it), or the target itself opened to be rewritten.
struct Prepared {
    const OutputFile* file = nullptr;
    Target target;
    UniqueFd fd;        // the target, when rewritten in place
    fs::path temporary; // the complete new file, when renamed into place
    bool inPlace() const { return temporary.empty(); }
};

fs::path folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

bool refusedByFolder(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

Status writeTemporary(Prepared& p) {
    const fs::path folder = folderOf(p.target.path);
    std::string pattern = (folder / ("." + p.target.path.filename().string() + ".XXXXXX")).string();
    UniqueFd fd(::mkstemp(pattern.data()));
    if (!fd) {
        return Error::fromErrno(errno);
    }
    p.temporary = pattern;
    // mkstemp creates owner-only files; give the new file the permissions an
    // ordinary create would, or keep those of the file it replaces.
    const mode_t mode = p.target.exists ? (p.target.st.st_mode & 07777) : (0666 & ~currentUmask());
    Status written = ::fchmod(fd.get(), mode) == 0 ? Status{} : Error::fromErrno(errno);
    if (written) {
        written = writeAll(fd.get(), p.file->bytes);
    }
    if (written && ::fsync(fd.get()) != 0) {
        written = Error::fromErrno(errno);
    }
    if (written) {
        written = fd.close();
    }
    return written;
}

Status prepare(Prepared& p) {
    auto target = resolve(p.file->path);
    if (!target) {
        return target.error();
    }
    p.target = std::move(*target);
    // Other hard links share the inode: a rename would cut them off.
    bool inPlace = p.target.exists && p.target.st.st_nlink > 1;
    if (!inPlace) {
        const Status written = writeTemporary(p);
        if (written) {
            return written;
        }
        if (!p.temporary.empty()) {
            ::unlink(p.temporary.c_str());
            p.temporary.clear();
        }
        // A folder that takes no new file: the file itself may still be writable.
        if (!p.target.exists || !refusedByFolder(written.error().code)) {
            return written;
        }
        inPlace = true;
    }
    auto fd = openFile(p.target.path, O_WRONLY | O_NOFOLLOW);
    if (!fd) {
        return fd.error();
    }
    p.fd = std::move(*fd);
    return {};
}

Status rewriteInPlace(Prepared& p) {
    const auto size = static_cast<off_t>(p.file->bytes.size());
    Status written = ::lseek(p.fd.get(), 0, SEEK_SET) == 0 ? Status{} : Error::fromErrno(errno);
    if (written) {
        written = writeAll(p.fd.get(), p.file->bytes);
    }
    if (written && ::ftruncate(p.fd.get(), size) != 0) {
        written = Error::fromErrno(errno);
    }
    if (written && ::fsync(p.fd.get()) != 0) {
        written = Error::fromErrno(errno);
    }
    if (written) {
        written = p.fd.close();
    }
    return written;
}

void syncFolder(const fs::path& file) {
    // Makes a rename durable; the file is complete either way, so a folder
    // that cannot be synced is no reason to report failure.
    if (const auto folder = openFile(folderOf(file), O_RDONLY | O_DIRECTORY)) {
        ::fsync(folder->get());
    }
}

} // namespace

Status writeFiles(std::span<const OutputFile> files, const DescribeFailure& describe) {
    const auto failure = [&](const OutputFile& file, const Error& error) {
        return Error{error.code, describe ? describe(file.path, error.text)
                                          : file.path.string() + ": " + error.text};
    };
    std::vector<Prepared> prepared(files.size());
    const auto discard = [&] {
        for (const Prepared& p : prepared) {
            if (!p.temporary.empty()) {
                ::unlink(p.temporary.c_str());
            }
        }
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        prepared[i].file = &files[i];
        if (const Status ready = prepare(prepared[i]); !ready) {
            discard();
            return failure(files[i], ready.error());
        }
    }
    // Every file is ready: only now is any target touched.
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        Prepared& p = prepared[i];
        Status done;
        if (p.inPlace()) {
            done = rewriteInPlace(p);
        } else if (::rename(p.temporary.c_str(), p.target.path.c_str()) == 0) {
            p.temporary.clear();
            syncFolder(p.target.path);
        } else {
            done = Error::fromErrno(errno);
        }
        if (!done) {
            discard();
            return failure(files[i], done.error());
        }
    }
    return {};
}

} // namespace volmar::sysio
