#include "volmar/app/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>

namespace volmar::app {

namespace {

// Any of the three will do: a tree with one loader removed still works.
bool holdsLoaders(const QDir& folder) {
    for (const char* loader : {"DarOzazoz_atmeldfu", "DarOzazoz_arduino", "DarOzazoz_teensy2"}) {
        if (QFileInfo(folder.filePath(QString::fromLatin1(loader))).isDir()) {
            return true;
        }
    }
    return false;
}

} // namespace

ProgramFolders programFoldersFor(const QString& programFolder) {
    ProgramFolders folders;
    folders.program = programFolder;
    folders.data = programFolder;
    const QDir program(programFolder);
    if (holdsLoaders(program) || QFileInfo(programFolder).fileName() != QLatin1String("bin")) {
        return folders;
    }
    const QString shared = QDir::cleanPath(program.filePath(QStringLiteral("../share/volmar")));
    if (QFileInfo(shared).isDir()) {
        folders.data = shared;
        folders.installed = true;
    }
    return folders;
}

} // namespace volmar::app
