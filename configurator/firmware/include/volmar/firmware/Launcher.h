#pragma once

// Starting things outside the configurator: the tools of the bottom row,
// web pages, and the firmware loader whose output the loader window shows.
// The system launcher uses PATH, QProcess and the desktop's URL handler;
// the recording launcher starts nothing on the desktop and says what it was
// asked for, so tests never open a browser or a tool. Nothing here waits
// for what it started.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <memory>
#include <vector>

namespace volmar::firmware {

// A started process whose output is followed as it comes.
class WatchedProcess : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool running() const = 0;

signals:
    // Standard output and error, merged, as text.
    void output(const QString& text);
    // Once: the exit code, or -1 and the reason when the process could not
    // start or was ended by a signal.
    void finished(int exitCode, const QString& failure);
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // The full path of an installed program found on PATH; empty when it is
    // not installed.
    virtual QString findProgram(const QString& name) const = 0;
    // Starts `program` and forgets it; false when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
    // Opens a web page in the user's browser; false when nothing took it.
    virtual bool openUrl(const QUrl& url) = 0;
    // Starts `program` in `folder` with its output followed. The process
    // keeps running when the object goes before it ends (a firmware upload
    // is never cut off); its output is then no longer read.
    virtual std::unique_ptr<WatchedProcess>
    startWatched(const QString& program, const QStringList& arguments, const QString& folder) = 0;
};

std::unique_ptr<Launcher> makeSystemLauncher();

// Starts nothing on the desktop: records the detached starts and the pages,
// and finds only the programs given to install(). Watched processes do run,
// through the system launcher: tests hand it scripts in their own folders.
class RecordingLauncher : public Launcher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString folder; // watched runs only
        bool operator==(const Start&) const = default;
    };

    RecordingLauncher();
    ~RecordingLauncher() override;

    // `name` counts as installed at `path`.
    void install(const QString& name, const QString& path) { m_installed[name] = path; }

    QString findProgram(const QString& name) const override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
    bool openUrl(const QUrl& url) override;
    std::unique_ptr<WatchedProcess> startWatched(const QString& program,
                                                 const QStringList& arguments,
                                                 const QString& folder) override;

    std::vector<Start> detached;
    std::vector<Start> watched;
    std::vector<QUrl> urls;

private:
    std::map<QString, QString> m_installed;
    std::unique_ptr<Launcher> m_system;
};

} // namespace volmar::firmware
