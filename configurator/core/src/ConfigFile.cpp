#include "volmar/core/ConfigFile.h"

#include "volmar/sysio/Fd.h"

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
    sysio::UniqueFd handle(::mkstemp(pattern.data()));
    if (!handle) {
        return writeError(requested, systemText(errno));
    }
    const int fd = handle.get();
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
    const auto bytes = std::as_bytes(std::span(data));
    if (const Status written = sysio::writeAll(
            fd, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        !written) {
        return fail(written.error().code);
    }
    if (::fsync(fd) != 0) {
        return fail(errno);
    }
    if (const Status closed = handle.close(); !closed) {
        return fail(closed.error().code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(errno);
    }
    // Make the rename itself durable; the file is complete either way, so a
    // folder that cannot be synced is no reason to report failure.
    if (const auto folderFd = sysio::openFile(folder, O_RDONLY | O_DIRECTORY)) {
        ::fsync(folderFd->get());
    }
    return {};
}

} // namespace

fs::path descriptorTextPath(const fs::path& configFile) {
    fs::path companion = configFile;
    companion += "_HID_txt";
    return companion;
}

Result<ConfigImage> readConfigImage(const fs::path& file) {
    const auto fd = sysio::openFile(file, O_RDONLY);
    if (!fd) {
        return Error{fd.error().code, readError(file, fd.error().text)};
    }
    ConfigImage image{};
    const auto have = sysio::readFull(fd->get(), image);
    if (!have) {
        return Error{have.error().code, readError(file, have.error().text)};
    }
    if (*have < image.size()) {
        return Error{EIO,
                     readError(file, systemText(EIO) + ": the file holds " + std::to_string(*have) +
                                         " bytes, a configuration needs " +
                                         std::to_string(kConfigImageSize))};
    }
    return image;
}

Status writeConfigFiles(const fs::path& file, const ConfigImage& image, const DescriptorLog& log) {
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    if (std::string error = writeFileSafely(file, bytes); !error.empty()) {
        return Error{0, std::move(error)};
    }
    std::string text;
    for (std::size_t line = 0; line < kDescriptorLogLines; ++line) {
        if (line < log.size()) {
            text += log[line];
        }
        text += "\r\n";
    }
    if (std::string error = writeFileSafely(descriptorTextPath(file), text); !error.empty()) {
        return Error{0, std::move(error)};
    }
    return {};
}

LoadOutcome loadConfigFile(const fs::path& file, ConfigState& state, const TRecordLng& lng,
                           bool connected) {
    LoadOutcome outcome;
    const auto read = readConfigImage(file);
    if (!read) {
        outcome.error = read.error().text;
        return outcome;
    }
    outcome.image = *read;
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
    if (const Status written = writeConfigFiles(file, outcome.image, outcome.log); !written) {
        outcome.error = written.error().text;
    }
    return outcome;
}

} // namespace volmar
