#pragma once

// The watch settings as an INI file: $XDG_CONFIG_HOME/Inspecta/Inspecta.ini
// (~/.config when the variable is not set), one section per device product
// name plus "Settings".

#include "volmar/viewer/WatchSettings.h"

#include <QSettings>
#include <QString>

namespace volmar::viewer {

class IniWatchStore : public WatchStore {
public:
    explicit IniWatchStore(const QString& path = defaultPath());

    static QString defaultPath();
    const QString& path() const { return m_path; }

    int readInt(const std::string& section, const std::string& key, int fallback) const override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    // Writes what was changed to the file; false when it could not be written.
    bool flush() override;

private:
    static QString keyOf(const std::string& section, const std::string& key);

    QString m_path;
    mutable QSettings m_settings;
};

} // namespace volmar::viewer
