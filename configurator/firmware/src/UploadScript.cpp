#include "volmar/firmware/UploadScript.h"

#include <QDir>
#include <QFile>

namespace volmar::firmware {

namespace {

const QString kScriptName = QString::fromUtf8(loader::kScriptName.data(),
                                              static_cast<qsizetype>(loader::kScriptName.size()));

// The error text, empty when the script was written whole.
QString writeScript(const QString& path, const std::string& text) {
    QFile out(path);
    bool written = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   out.write(text.data(), static_cast<qint64>(text.size())) ==
                       static_cast<qint64>(text.size());
    out.close(); // a late write error (a full disk) shows here
    written = written && out.error() == QFileDevice::NoError;
    if (!written) {
        return QStringLiteral("Error write file \"%1\" [%2]").arg(path, out.errorString());
    }
    return {};
}

} // namespace

PreparedScript writeLoaderScript(const QString& templateFile, const QString& loaderFolder,
                                 const loader::Values& values, const QString& userFolder,
                                 bool userFolderFirst) {
    PreparedScript prepared;
    QFile in(templateFile);
    QByteArray templateText;
    if (in.open(QIODevice::ReadOnly)) {
        templateText = in.readAll();
    }
    if (!in.isOpen() || in.error() != QFileDevice::NoError) {
        prepared.error =
            QStringLiteral("Error read file \"%1\" [%2]").arg(templateFile, in.errorString());
        return prepared;
    }
    const std::string text = loader::fillTemplate(
        std::string_view(templateText.constData(), static_cast<std::size_t>(templateText.size())),
        values);

    prepared.folder =
        QDir(loaderFolder.isEmpty() ? QDir::currentPath() : loaderFolder).absolutePath();
    prepared.script = QDir(prepared.folder).filePath(kScriptName);
    const QString fallback =
        userFolder.isEmpty() ? QString() : QDir(userFolder).absoluteFilePath(kScriptName);
    if (userFolderFirst && !fallback.isEmpty()) {
        QDir().mkpath(userFolder);
        prepared.script = fallback;
        prepared.error = writeScript(fallback, text);
        return prepared;
    }
    QString error = writeScript(prepared.script, text);
    if (!error.isEmpty() && !fallback.isEmpty() && QDir().mkpath(userFolder) &&
        writeScript(fallback, text).isEmpty()) {
        prepared.script = fallback;
        error.clear();
    }
    prepared.error = error;
    return prepared;
}

} // namespace volmar::firmware
