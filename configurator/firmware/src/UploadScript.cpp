#include "volmar/firmware/UploadScript.h"

#include "volmar/core/ConfigFile.h"

#include <QDir>
#include <QFile>

namespace volmar::firmware {

namespace {

const QString kScriptName = QString::fromUtf8(loader::kScriptName.data(),
                                              static_cast<qsizetype>(loader::kScriptName.size()));

} // namespace

Result<PreparedScript> writeLoaderScript(const QString& templateFile, const QString& loaderFolder,
                                         const loader::Values& values, const QString& userFolder,
                                         bool userFolderFirst) {
    QFile in(templateFile);
    QByteArray templateText;
    if (in.open(QIODevice::ReadOnly)) {
        templateText = in.readAll();
    }
    if (!in.isOpen() || in.error() != QFileDevice::NoError) {
        return Error{0, QStringLiteral("Error read file \"%1\" [%2]")
                            .arg(templateFile, in.errorString())
                            .toStdString()};
    }
    const std::string text = loader::fillTemplate(
        std::string_view(templateText.constData(), static_cast<std::size_t>(templateText.size())),
        values);

    PreparedScript prepared;
    prepared.folder =
        QDir(loaderFolder.isEmpty() ? QDir::currentPath() : loaderFolder).absolutePath();
    prepared.script = QDir(prepared.folder).filePath(kScriptName);
    const QString fallback =
        userFolder.isEmpty() ? QString() : QDir(userFolder).absoluteFilePath(kScriptName);
    if (userFolderFirst && !fallback.isEmpty()) {
        QDir().mkpath(userFolder);
        if (const Status written = writeTextFile(fallback.toStdString(), text); !written) {
            return written.error();
        }
        prepared.script = fallback;
        return prepared;
    }
    const Status written = writeTextFile(prepared.script.toStdString(), text);
    if (written) {
        return prepared;
    }
    if (!fallback.isEmpty() && QDir().mkpath(userFolder) &&
        writeTextFile(fallback.toStdString(), text)) {
        prepared.script = fallback;
        return prepared;
    }
    return written.error();
}

} // namespace volmar::firmware
