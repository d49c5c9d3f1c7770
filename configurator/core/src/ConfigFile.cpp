#include "volmar/core/ConfigFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace volmar {

namespace fs = std::filesystem;

namespace {

std::string systemText(int err) {
    return std::strerror(err);
}

std::string readError(const fs::path& file, const std::string& reason) {
    return "Error read file \"" + file.string() + "\" [" + reason + "]";
}

std::string writeError(const fs::path& file, const std::string& reason) {
    return "Error write file \"" + file.string() + "\" [" + reason + "]";
}

// Closes a descriptor on every path out of a function.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return m_fd; }
    // Closing can report a write that failed late (NFS, full disk).
    int release() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

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

bool writeAll(int fd, const char* data, std::size_t size, int& err) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            err = errno;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes `data` to a temporary file beside `target` and renames it over the
// target once it is complete and on disk.
std::string writeFileSafely(const fs::path& requested, std::string_view data) {
    fs::path target = requested;
    std::error_code ec;
    if (fs::is_symlink(requested, ec)) {
        // Replace what the link points at, not the link itself.
        const fs::path resolved = fs::weakly_canonical(requested, ec);
        if (!ec) {
            target = resolved;
        }
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return writeError(requested, systemText(errno));
    }
    FileHandle handle(fd);
    const fs::path temporary = pattern;
    auto fail = [&](int err) {
        ::unlink(temporary.c_str());
        return writeError(requested, systemText(err));
    };

    // mkstemp creates owner-only files; give the new file the permissions an
    // ordinary create would, or keep those of the file it replaces.
    struct stat old {};
    const mode_t mode =
        ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~currentUmask());
    if (::fchmod(fd, mode) != 0) {
        return fail(errno);
    }
    int err = 0;
    if (!writeAll(fd, data.data(), data.size(), err)) {
        return fail(err);
    }
    if (::fsync(fd) != 0) {
        return fail(errno);
    }
    if (handle.release() != 0) {
        return fail(errno);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(errno);
    }
    // Make the rename itself durable; the file is complete either way, so a
    // folder that cannot be synced is no reason to report failure.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

} // namespace

fs::path descriptorTextPath(const fs::path& configFile) {
    fs::path companion = configFile;
    companion += "_HID_txt";
    return companion;
}

ImageRead readConfigImage(const fs::path& file) {
    ImageRead result;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = readError(file, systemText(errno));
        return result;
    }
    FileHandle handle(fd);
    std::size_t have = 0;
    while (have < result.image.size()) {
        const ssize_t got = ::read(fd, result.image.data() + have, result.image.size() - have);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = readError(file, systemText(errno));
            return result;
        }
        if (got == 0) {
            result.error = readError(
                file, systemText(EIO) + ": the file holds " + std::to_string(have) +
                          " bytes, a configuration needs " + std::to_string(kConfigImageSize));
            return result;
        }
        have += static_cast<std::size_t>(got);
    }
    return result;
}

std::string writeConfigFiles(const fs::path& file, const ConfigImage& image,
                             const DescriptorLog& log) {
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    if (std::string error = writeFileSafely(file, bytes); !error.empty()) {
        return error;
    }
    std::string text;
    for (std::size_t line = 0; line < kDescriptorLogLines; ++line) {
        if (line < log.size()) {
            text += log[line];
        }
        text += "\r\n";
    }
    return writeFileSafely(descriptorTextPath(file), text);
}

LoadOutcome loadConfigFile(const fs::path& file, ConfigState& state, const TRecordLng& lng,
                           bool connected) {
    LoadOutcome outcome;
    ImageRead read = readConfigImage(file);
    if (!read.ok()) {
        outcome.error = std::move(read.error);
        return outcome;
    }
    outcome.image = read.image;
    outcome.rules = ReportToConfig(outcome.image, state, lng, connected);
    return outcome;
}

SaveOutcome saveConfigFile(const fs::path& file, ConfigState& state, const TRecordLng& lng,
                           bool connected) {
    SaveOutcome outcome;
    outcome.validation = CheckConfig(state, lng, connected);
    const EncodeResult encoded = ConfigToReport(state, outcome.image, outcome.log);
    outcome.validation.messageBoxes.insert(outcome.validation.messageBoxes.end(),
                                           encoded.messageBoxes.begin(),
                                           encoded.messageBoxes.end());
    if (!encoded.ok()) {
        outcome.error = encoded.conversionError;
        return outcome;
    }
    if (state.ConfigHasErrors) {
        outcome.reportBox = state.chk_report_info;
    }
    outcome.error = writeConfigFiles(file, outcome.image, outcome.log);
    return outcome;
}

} // namespace volmar
