#pragma once

// The firmware upload's script on disk: the chosen template read, filled
// (volmar/core/LoaderScript.h) and written as "DarOzazoz_temp.sh" where the
// loader runs.

#include "volmar/core/LoaderScript.h"
#include "volmar/sysio/Result.h"

#include <QString>

namespace volmar::firmware {

struct PreparedScript {
    QString script; // absolute path of the script written
    QString folder; // where it runs: the loader folder, else the current folder
};

// Reads `templateFile`, fills it with `values` and writes the script into
// `loaderFolder` (the current folder when empty). A folder that cannot take
// it (read-only, say, when the program is installed system-wide) leaves the
// script to `userFolder`, made when missing; the loader still runs in its
// own folder. With `userFolderFirst` the script goes straight to
// `userFolder` (the loader folders of an installed program are the
// system's). An old script is replaced whole, through the safe file
// output. A failure is the file error to show; nothing may run then.
Result<PreparedScript> writeLoaderScript(const QString& templateFile, const QString& loaderFolder,
                                         const loader::Values& values, const QString& userFolder,
                                         bool userFolderFirst = false);

} // namespace volmar::firmware
