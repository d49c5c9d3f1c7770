#pragma once

// One running configurator at a time: a lock file in the runtime folder
// named after the configurator's version, held for the process's life. The
// lock of a copy that died goes with it.

#include <QLockFile>
#include <QString>

namespace volmar::app {

class SingleInstance {
public:
    explicit SingleInstance(const QString& version);

    bool acquired() const { return m_acquired; }
    // What the refused copy shows: the version and " [ERROR_ALREADY_EXISTS]".
    QString refusal() const { return m_version + QStringLiteral(" [ERROR_ALREADY_EXISTS]"); }

private:
    QString m_version;
    QLockFile m_lock;
    bool m_acquired = false;
};

} // namespace volmar::app
