#include "volmar/core/Backups.h"

#include "volmar/core/ConfigFile.h"
#include "volmar/core/Rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <system_error>

namespace volmar {

namespace {

bool keptInName(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '(' ||
           c == ')' || c == '-' || c == '[' || c == ']';
}

std::string productPart(std::string_view product) {
    std::string out;
    for (char c : product.substr(0, kBackupProductChars)) {
        out += keptInName(c) ? c : '_';
    }
    return out.empty() ? "_" : out;
}

// Reads exactly `width` decimal digits at `at`.
std::optional<int> digits(std::string_view s, std::size_t at, std::size_t width) {
    if (at + width > s.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (s[i] - '0');
    }
    return value;
}

std::optional<std::uint16_t> hex4(std::string_view s, std::size_t at) {
    if (at + 4 > s.size()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const char c = s[i];
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<std::uint16_t>(value);
}

// "YYYY-MM-DD_hh-mm-ss-mmm_VVVV-PPPP_": where each fixed field starts.
constexpr std::size_t kTimeChars = 23;
constexpr std::size_t kIdsAt = kTimeChars + 1;
constexpr std::size_t kProductAt = kIdsAt + 10;

} // namespace

BackupTime backupTimeOf(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        when.time_since_epoch() - std::chrono::seconds(seconds))
                        .count();
    return {local.tm_year + 1900, local.tm_mon + 1,           local.tm_mday,       local.tm_hour,
            local.tm_min,         std::min(local.tm_sec, 59), static_cast<int>(ms)};
}

std::string backupFileName(const BackupName& n) {
    char head[64];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d_%02d-%02d-%02d-%03d_%04X-%04X_", n.time.year,
                  n.time.month, n.time.day, n.time.hour, n.time.minute, n.time.second,
                  n.time.millisecond, n.vid, n.pid);
    return head + productPart(n.product) + std::string(kBackupExtension);
}

std::optional<BackupName> parseBackupFileName(std::string_view s) {
    if (s.size() <= kProductAt + kBackupExtension.size() || !s.ends_with(kBackupExtension)) {
        return std::nullopt;
    }
    const auto at = [&s](std::size_t i, char c) { return s[i] == c; };
    if (!at(4, '-') || !at(7, '-') || !at(10, '_') || !at(13, '-') || !at(16, '-') ||
        !at(19, '-') || !at(kTimeChars, '_') || !at(kIdsAt + 4, '-') || !at(kProductAt - 1, '_')) {
        return std::nullopt;
    }
    const auto year = digits(s, 0, 4), month = digits(s, 5, 2), day = digits(s, 8, 2);
    const auto hour = digits(s, 11, 2), minute = digits(s, 14, 2), second = digits(s, 17, 2);
    const auto ms = digits(s, 20, 3);
    const auto vid = hex4(s, kIdsAt), pid = hex4(s, kIdsAt + 5);
    if (!year || !month || !day || !hour || !minute || !second || !ms || !vid || !pid) {
        return std::nullopt;
    }
    const std::string_view product =
        s.substr(kProductAt, s.size() - kProductAt - kBackupExtension.size());
    if (!std::all_of(product.begin(), product.end(),
                     [](char c) { return keptInName(c) || c == '_'; })) {
        return std::nullopt;
    }
    BackupName name;
    name.time = {*year, *month, *day, *hour, *minute, *second, *ms};
    name.vid = *vid;
    name.pid = *pid;
    name.product = std::string(product);
    return name;
}

std::string backupTimeText(const BackupTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::vector<std::string> backupsToRemove(std::vector<std::string> fileNames, std::size_t keep) {
    std::erase_if(fileNames,
                  [](const std::string& f) { return !parseBackupFileName(f).has_value(); });
    // The time leads and has a fixed width: sorting the names sorts by age.
    std::sort(fileNames.begin(), fileNames.end());
    if (fileNames.size() <= keep) {
        return {};
    }
    fileNames.resize(fileNames.size() - keep);
    return fileNames;
}

std::filesystem::path backupFolder(const char* xdgDataHome, const char* home) {
    std::filesystem::path base;
    if (xdgDataHome && std::filesystem::path(xdgDataHome).is_absolute()) {
        base = xdgDataHome;
    } else if (home && std::filesystem::path(home).is_absolute()) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        return {};
    }
    return base / "VolmarSetup" / "backups";
}

std::filesystem::path backupFolder() {
    return backupFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::vector<BackupEntry> listBackups(const std::filesystem::path& folder, const TRecordLng& lng) {
    std::vector<BackupEntry> entries;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        const std::string fileName = item.path().filename().string();
        const auto name = parseBackupFileName(fileName);
        if (!name || !item.is_regular_file(ec)) {
            continue;
        }
        BackupEntry entry{item.path(), *name, {}, false};
        ConfigState state = startupState(lng);
        const LoadOutcome loaded = loadConfigFile(item.path(), state, lng, true);
        entry.readable = loaded.ok();
        entry.summary = loaded.ok() ? state.chk_report_info : loaded.error;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.file.filename() > b.file.filename();
    });
    return entries;
}

std::string backupLine(const BackupEntry& e) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X", e.name.vid, e.name.pid);
    return backupTimeText(e.name.time) + "  " + ids + "  " + e.name.product + "  " + e.summary;
}

namespace {

// The next free name at or after `name`'s time: a taken one moves on by a
// millisecond (carried into the seconds and on), so the names keep their
// order.
std::optional<std::filesystem::path> freeName(const std::filesystem::path& folder,
                                              BackupName& name) {
    constexpr int kTries = 1000;
    std::error_code ec;
    for (int i = 0; i < kTries; ++i) {
        const std::filesystem::path file = folder / backupFileName(name);
        if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
            return file;
        }
        BackupTime& t = name.time;
        if (++t.millisecond == 1000) {
            t.millisecond = 0;
            if (++t.second == 60) {
                t.second = 0;
                if (++t.minute == 60) {
                    t.minute = 0;
                    ++t.hour;
                }
            }
        }
    }
    return std::nullopt;
}

DescriptorLog listingOf(const ConfigImage& image, const TRecordLng& lng) {
    ConfigState state = startupState(lng);
    ReportToConfig(image, state, lng, true);
    ConfigImage scratch{};
    DescriptorLog log(kDescriptorLogLines);
    // A decoded image always encodes: every edit it fills holds a number.
    ConfigToReport(state, scratch, log);
    return log;
}

} // namespace

Result<KeptBackup> keepBackup(const std::filesystem::path& folder, BackupName name,
                              const ConfigImage& read, const TRecordLng& lng, std::size_t keep) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        return Error{ec.value(), "Cannot make the backup folder \"" + folder.string() + "\" [" +
                                     ec.message() + "]"};
    }
    const auto file = freeName(folder, name);
    if (!file) {
        return Error{0, "No free backup name in \"" + folder.string() + "\""};
    }
    ConfigImage image{};
    std::copy_n(read.begin(), kConfigBytes, image.begin());
    if (Status saved = writeConfigFiles(*file, image, listingOf(image, lng)); !saved) {
        return saved.error();
    }
    KeptBackup kept{*file, {}};
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(item.path().filename().string());
    }
    for (const std::string& old : backupsToRemove(std::move(names), keep)) {
        for (const auto& path : {folder / old, descriptorTextPath(folder / old)}) {
            std::error_code removeError;
            std::filesystem::remove(path, removeError);
            if (removeError && kept.note.empty()) {
                kept.note = "Cannot remove the old backup \"" + path.string() + "\" [" +
                            removeError.message() + "]";
            }
        }
    }
    if (ec && kept.note.empty()) {
        kept.note = "Cannot list the backups in \"" + folder.string() + "\" [" + ec.message() + "]";
    }
    return kept;
}

} // namespace volmar
