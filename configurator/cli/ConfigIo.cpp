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
#include <filesystem>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace volmar::cli {

namespace {

// A JSON configuration is a few tens of kilobytes; refuse to slurp anything
// that cannot be one.
constexpr std::size_t kMaxJsonBytes = 16u << 20;

Error systemError(const std::string& path, const char* what, int err) {
    return Error{err, path + ": " + what + " (" + std::strerror(err) + ")"};
}

// At most `limit` + 1 bytes of the file: one more than allowed tells a file
// that is too long.
Result<std::string> readUpTo(const std::string& path, std::size_t limit) {
    const auto fd = sysio::openFile(path, O_RDONLY);
    if (!fd)
        return systemError(path, "cannot open", fd.error().code);
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0)
        return systemError(path, "cannot read", errno);
    if (S_ISDIR(st.st_mode))
        return Error{EISDIR, path + ": is a folder, not a file"};
    std::string bytes;
    std::vector<std::uint8_t> chunk(65536);
    while (bytes.size() <= limit) {
        const auto got = sysio::readFull(fd->get(), chunk);
        if (!got)
            return systemError(path, "cannot read", got.error().code);
        bytes.append(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(*got));
        if (*got < chunk.size())
            break;
    }
    if (bytes.size() > limit)
        bytes.resize(limit + 1);
    return bytes;
}

} // namespace

FileKind fileKind(const std::string& path) {
    std::string ext = path.size() >= 5 ? path.substr(path.size() - 5) : std::string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".json" ? FileKind::Json : FileKind::Image;
}

Result<nlohmann::ordered_json> readJsonFile(const std::string& path) {
    const auto text = readUpTo(path, kMaxJsonBytes);
    if (!text)
        return text.error();
    if (text->size() > kMaxJsonBytes)
        return Error{0, path + ": too large for a configuration"};
    using Json = nlohmann::ordered_json;
    std::vector<std::set<std::string>> keys; // of each object being read
    std::optional<std::string> duplicate;
    const Json::parser_callback_t noteKeys = [&](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            keys.emplace_back();
        } else if (event == Json::parse_event_t::object_end && !keys.empty()) {
            keys.pop_back();
        } else if (event == Json::parse_event_t::key && !keys.empty() && !duplicate) {
            std::string key = parsed.get<std::string>();
            if (!keys.back().insert(key).second)
                duplicate = std::move(key);
        }
        return true;
    };
    try {
        Json json = Json::parse(*text, noteKeys);
        if (duplicate)
            return Error{0, path + ": duplicate key " + quotedInMessage(*duplicate)};
        return json;
    } catch (const nlohmann::ordered_json::exception& e) {
        // Drop the library's "[json.exception.parse_error.101] " tag; the
        // position and the reason after it are what the user needs.
        std::string reason = e.what();
        if (reason.starts_with("[json.exception.")) {
            if (const auto end = reason.find("] "); end != std::string::npos)
                reason.erase(0, end + 2);
        }
        return Error{0, path + ": malformed JSON: " + reason};
    }
}

ConfigState clearedState() {
    ConfigState state = startupState(englishLanguage());
    btnClrConfigClick(state, englishLanguage(), false);
    return state;
}

Result<LoadedState> loadImageState(const std::string& path) {
    // A freshly started editor loading the file; decoding starts from the
    // defaults, so what it showed before does not matter.
    LoadedState loaded{startupState(englishLanguage()), {}, {}};
    const LoadOutcome outcome = loadConfigFile(path, loaded.state, englishLanguage(), false);
    if (!outcome.ok())
        return Error{0, outcome.error};
    loaded.boxes = outcome.rules.run.messageBoxes;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kConfigImageSize) {
        loaded.notes.push_back(path + ": " + std::to_string(size) + " bytes; only the first " +
                               std::to_string(kConfigImageSize) + " bytes are used");
    }
    return loaded;
}

Result<ConfigState> loadJsonState(const std::string& path) {
    const auto json = readJsonFile(path);
    if (!json)
        return json.error();
    ConfigState loaded = clearedState();
    if (const Status applied = applyConfigJson(*json, loaded); !applied)
        return Error{0, path + ": " + applied.error().text};
    return loaded;
}

Result<LoadedState> loadState(const std::string& path) {
    if (fileKind(path) == FileKind::Image)
        return loadImageState(path);
    auto json = loadJsonState(path);
    if (!json)
        return json.error();
    return LoadedState{std::move(*json), {}, {}};
}

} // namespace volmar::cli
