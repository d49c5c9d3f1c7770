// The one place where the main window reads and writes configuration files.
#include "volmar/app/Dialogs.h"
#include "volmar/app/TMForm.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/LanguageRecord.h"

namespace volmar::app {

namespace {

FileRequest configFileRequest(const std::string& title) {
    return {QString::fromStdString(title), QStringLiteral("Volmar Config file (*.volmar)"),
            QStringLiteral("volmar")};
}

std::filesystem::path localPath(const QString& file) {
    return std::filesystem::path(file.toStdString());
}

} // namespace

void TMForm::btnWrite_PCClick() {
    const device::EncodeOutcome encoded = m_document.encodeImage(m_editor.connected());
    m_editor.show(encoded.run);
    if (!encoded.encoded) {
        message(QString::fromStdString(encoded.refusal));
        return;
    }
    // An invalid configuration is saved all the same, once the user has seen why.
    if (!encoded.ok()) {
        message(QString::fromStdString(encoded.refusal));
    }
    const QString file = m_dialogs.saveFile(this, configFileRequest(m_editor.lng().btnWrite_PC));
    if (file.isEmpty()) {
        return;
    }
    if (const Status written =
            writeConfigFiles(localPath(file), m_document.image(), m_document.descriptorLog());
        !written) {
        message(QString::fromStdString(written.error().text));
    }
}

void TMForm::btnRead_PCClick() {
    const QString file = m_dialogs.openFile(this, configFileRequest(m_editor.lng().btnRead_PC));
    if (file.isEmpty()) {
        return;
    }
    loadConfigurationFile(localPath(file));
}

void TMForm::loadConfigurationFile(const std::filesystem::path& file) {
    // A file that cannot be read leaves the configuration as it was.
    const auto read = readConfigImage(file);
    if (!read) {
        message(QString::fromStdString(read.error().text));
        return;
    }
    m_editor.show(m_document.loadImage(*read, m_editor.connected()));
}

} // namespace volmar::app
