#include "IniWatchStore.h"

#include <QStandardPaths>

namespace volmar::viewer {

IniWatchStore::IniWatchStore(const QString& path)
    : m_path(path), m_settings(path, QSettings::IniFormat) {}

QString IniWatchStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/Inspecta/Inspecta.ini";
}

QString IniWatchStore::keyOf(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}

int IniWatchStore::readInt(const std::string& section, const std::string& key, int fallback) const {
    bool ok = false;
    const int value = m_settings.value(keyOf(section, key), fallback).toInt(&ok);
    return ok ? value : fallback;
}

void IniWatchStore::writeInt(const std::string& section, const std::string& key, int value) {
    m_settings.setValue(keyOf(section, key), value);
}

bool IniWatchStore::flush() {
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

} // namespace volmar::viewer
