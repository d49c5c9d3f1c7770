#include "volmar/app/SettingsFile.h"

#include "volmar/app/ProgramFolders.h"
#include "volmar/core/ConfigFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QWidget>

namespace volmar::app {

namespace {

const QString kFileName = QString::fromUtf8(kSettingsFileName.data(), kSettingsFileName.size());

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

// The controls each text key feeds, in the order the window has always
// applied them.
struct TextKey {
    const char* control;
    std::string ProgramSettings::*value;
};
const TextKey kTextKeys[] = {
    {"joy_hardware_mcu", &ProgramSettings::MCU},
    {"select_bootloader", &ProgramSettings::BootLoader},
    {"Translate", &ProgramSettings::Translate},
    {"FileFirm", &ProgramSettings::File},
    {"com_port", &ProgramSettings::ArduinoPort},
};
struct FlagKey {
    const char* control;
    bool ProgramSettings::*value;
};
const FlagKey kFlagKeys[] = {
    {"DebugView", &ProgramSettings::Debug},
    {"knpautoset", &ProgramSettings::AutoBindButtons},
};

void showText(QComboBox& combo, const QString& text) {
    combo.setEditText(text);
    int last = -1;
    for (int i = 0; i < combo.count(); ++i) {
        if (combo.itemText(i) == text) {
            last = i;
        }
    }
    if (last >= 0) {
        combo.setCurrentIndex(last);
    }
}

} // namespace

QString defaultSettingsFile() {
    return settingsFileFor(programFoldersFor(QCoreApplication::applicationDirPath()));
}

QString settingsFileFor(const ProgramFolders& folders) {
    if (!folders.installed && QFileInfo(folders.program).isWritable()) {
        return QDir(folders.program).filePath(kFileName);
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("VolmarSetup/") + kFileName);
}

ProgramSettings loadSettings(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parseProgramSettings(in.readAll().toStdString());
}

Status saveSettings(const QString& file, const ProgramSettings& settings) {
    QByteArray old;
    if (QFile in(file); in.open(QIODevice::ReadOnly)) {
        old = in.readAll();
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    const std::string text = updateProgramSettings(old.toStdString(), settings);
    return writeTextFile(file.toStdString(), text);
}

void applySettings(QWidget& window, const ProgramSettings& settings) {
    for (const TextKey& key : kTextKeys) {
        if (auto* combo = window.findChild<QComboBox*>(key.control)) {
            const QSignalBlocker quiet(combo);
            showText(*combo, toQ(settings.*key.value));
        } else if (auto* line = window.findChild<QLineEdit*>(key.control)) {
            const QSignalBlocker quiet(line);
            line->setText(toQ(settings.*key.value));
        }
    }
    for (const FlagKey& key : kFlagKeys) {
        if (auto* box = window.findChild<QCheckBox*>(key.control)) {
            box->setChecked(settings.*key.value);
        }
    }
    window.move(settings.PositionX, settings.PositionY);
}

ProgramSettings collectSettings(const QWidget& window, const ProgramSettings& loaded) {
    ProgramSettings settings = loaded;
    for (const TextKey& key : kTextKeys) {
        if (const auto* combo = window.findChild<QComboBox*>(key.control)) {
            settings.*key.value = combo->currentText().toStdString();
        } else if (const auto* line = window.findChild<QLineEdit*>(key.control)) {
            settings.*key.value = line->text().toStdString();
        }
    }
    for (const FlagKey& key : kFlagKeys) {
        if (const auto* box = window.findChild<QCheckBox*>(key.control)) {
            settings.*key.value = box->isChecked();
        }
    }
    settings.PositionX = window.x();
    settings.PositionY = window.y();
    return settings;
}

} // namespace volmar::app
