#include "volmar/app/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace volmar::app {

namespace {

QString lockPath(const QString& version) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(version + QStringLiteral(".lock"));
}

} // namespace

SingleInstance::SingleInstance(const QString& version)
    : m_version(version), m_lock(lockPath(version)) {
    // A running copy holds its lock however long it runs; only a lock whose
    // process is gone counts as stale.
    m_lock.setStaleLockTime(0);
    m_acquired = m_lock.tryLock(0);
}

} // namespace volmar::app
