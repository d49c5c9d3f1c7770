#include "ConfigIo.h"

#include "volmar/sysio/Fd.h"

#include "volmar/core/ConfigFile.h"
#include "volmar/core/ConfigJson.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace volmar::cli {

namespace {

// A JSON configuration is a few tens of kilobytes; refuse to slurp anything
// that cannot be one.
constexpr std::size_t kMaxJsonBytes = 16u << 20;

std::string systemError(const std::string& path, const char* what, int err) {
    return path + ": " + what + " (" + std::strerror(err) + ")";
}

// Reads up to `limit` bytes; `truncated` tells whether more were there.
bool readUpTo(const std::string& path, std::size_t limit, std::string& bytes, bool& truncated,
              std::string& error) {
    const auto fd = sysio::openFile(path, O_RDONLY);
    if (!fd) {
        error = systemError(path, "cannot open", fd.error().code);
        return false;
    }
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0) {
        error = systemError(path, "cannot read", errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = path + ": is a folder, not a file";
        return false;
    }
    bytes.clear();
    truncated = false;
    std::vector<std::uint8_t> chunk(65536);
    for (;;) {
        const auto got = sysio::readFull(fd->get(), chunk);
        if (!got) {
            error = systemError(path, "cannot read", got.error().code);
            return false;
        }
        bytes.append(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(*got));
        if (bytes.size() > limit) {
            truncated = true;
            bytes.resize(limit);
            break;
        }
        if (*got < chunk.size()) {
            break;
        }
    }
    return true;
}

} // namespace

FileKind fileKind(const std::string& path) {
    std::string ext = path.size() >= 5 ? path.substr(path.size() - 5) : std::string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".json" ? FileKind::Json : FileKind::Image;
}

bool readJsonFile(const std::string& path, nlohmann::ordered_json& json, std::string& error) {
    std::string text;
    bool more = false;
    if (!readUpTo(path, kMaxJsonBytes, text, more, error))
        return false;
    if (more) {
        error = path + ": too large for a configuration";
        return false;
    }
    try {
        json = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::ordered_json::exception& e) {
        // Drop the library's "[json.exception.parse_error.101] " tag; the
        // position and the reason after it are what the user needs.
        std::string reason = e.what();
        if (reason.starts_with("[json.exception.")) {
            if (const auto end = reason.find("] "); end != std::string::npos)
                reason.erase(0, end + 2);
        }
        error = path + ": malformed JSON: " + reason;
        return false;
    }
    return true;
}

ConfigState clearedState() {
    ConfigState state = startupState(englishLanguage());
    btnClrConfigClick(state, englishLanguage(), false);
    return state;
}

bool loadImageState(const std::string& path, ConfigState& state, std::string& error,
                    std::vector<std::string>* boxes) {
    // A freshly started editor loading the file; decoding starts from the
    // defaults, so what it showed before does not matter.
    ConfigState loaded = startupState(englishLanguage());
    const LoadOutcome outcome = loadConfigFile(path, loaded, englishLanguage(), false);
    if (!outcome.ok()) {
        error = outcome.error;
        return false;
    }
    if (boxes)
        *boxes = outcome.rules.run.messageBoxes;
    state = std::move(loaded);
    return true;
}

bool loadJsonState(const std::string& path, ConfigState& state, std::string& error) {
    nlohmann::ordered_json json;
    if (!readJsonFile(path, json, error))
        return false;
    ConfigState loaded = clearedState();
    std::string fieldError;
    if (!applyConfigJson(json, loaded, fieldError)) {
        error = path + ": " + fieldError;
        return false;
    }
    state = std::move(loaded);
    return true;
}

bool loadState(const std::string& path, ConfigState& state, std::string& error,
               std::vector<std::string>* boxes) {
    return fileKind(path) == FileKind::Json ? loadJsonState(path, state, error)
                                            : loadImageState(path, state, error, boxes);
}

} // namespace volmar::cli
