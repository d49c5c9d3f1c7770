#pragma once

// Automatic backups: before every write the controller's configuration is
// read and kept as a configuration file in the user's data folder, the last
// kBackupsKept of them. This part names them, reads their names back and
// chooses which to remove; it touches no file.
//
// A name is "2025-01-31_14-05-09-123_1209-5AB1_Volmar_demo.volmar": local
// time to the millisecond, VID-PID in upper-case hex, the product name with
// everything but letters, digits and ()-[] turned into '_'. The fixed-width
// time first makes the names sort by age.

#include "volmar/core/ImageCodec.h"
#include "volmar/sysio/Result.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace volmar {

struct TRecordLng;

inline constexpr std::size_t kBackupsKept = 50;
inline constexpr std::size_t kBackupProductChars = 40;
inline constexpr std::string_view kBackupExtension = ".volmar";

struct BackupTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    auto operator<=>(const BackupTime&) const = default;
};

// The local time of `when`.
BackupTime backupTimeOf(std::chrono::system_clock::time_point when);

struct BackupName {
    BackupTime time;
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string product; // as the name holds it ('_' for what it could not)
    bool operator==(const BackupName&) const = default;
};

std::string backupFileName(const BackupName& name);
// nullopt for any file that is not a backup of this form.
std::optional<BackupName> parseBackupFileName(std::string_view fileName);

// "2025-01-31 14:05:09", for lists.
std::string backupTimeText(const BackupTime& time);

// Of the backups among `fileNames` (other files are ignored), the oldest
// ones beyond the newest `keep`, oldest first.
std::vector<std::string> backupsToRemove(std::vector<std::string> fileNames,
                                         std::size_t keep = kBackupsKept);

// $XDG_DATA_HOME/VolmarSetup/backups, or ~/.local/share/... when it is not
// set or not absolute; empty when neither gives an absolute folder.
std::filesystem::path backupFolder(const char* xdgDataHome, const char* home);
// The same from this process's environment.
std::filesystem::path backupFolder();

// What keeping a backup left: the file, and a note when an old backup could
// not be removed (the new one is kept all the same).
struct KeptBackup {
    std::filesystem::path file;
    std::string note;
};

// Keeps `read` — the controller's configuration as the block reads gave it —
// as a backup in `folder` (made when missing): its first 641 bytes with the
// zeros a configuration file has after them, and the listing of the
// configuration they decode to, saved as every configuration file is. A
// name already taken moves on by a millisecond. Then the oldest beyond
// `keep` go, each with its listing.
Result<KeptBackup> keepBackup(const std::filesystem::path& folder, BackupName name,
                              const ConfigImage& read, const TRecordLng& lng,
                              std::size_t keep = kBackupsKept);

// One backup as the restore list shows it.
struct BackupEntry {
    std::filesystem::path file;
    BackupName name;
    // The report line of the configuration it holds (loaded as the window
    // loads a file), or why it cannot be read.
    std::string summary;
    bool readable = false;
};

// The backups in `folder`, newest first; none when the folder is missing.
std::vector<BackupEntry> listBackups(const std::filesystem::path& folder, const TRecordLng& lng);

// One line for lists: "2025-01-31 14:05:09  1209:5AB1  Volmar_demo  <summary>".
std::string backupLine(const BackupEntry& entry);

} // namespace volmar
