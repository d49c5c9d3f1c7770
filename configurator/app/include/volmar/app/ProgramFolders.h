#pragma once

// Where the configurator's own files are. Built in the tree or unpacked
// anywhere, everything sits beside the executable, as the program has always
// kept it: the loader folders, "tools", the settings file. Installed (the
// executable in a bin/ folder with share/volmar/ beside that folder), the
// loader folders live in share/volmar/ and the executable's folder belongs
// to the system: the settings file and the loader scripts go to the user's
// own folders even when the system's could be written (by root).

#include <QString>

namespace volmar::app {

struct ProgramFolders {
    QString program; // the executable's folder: "tools", the viewer
    QString data;    // the folder holding the loader folders
    bool installed = false;
};

ProgramFolders programFoldersFor(const QString& programFolder);

} // namespace volmar::app
