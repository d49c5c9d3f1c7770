#include "volmar/firmware/Launcher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>

#include <csignal>
#include <unistd.h>

namespace volmar::firmware {

namespace {

// Loaders cut off mid-flash leave a board that only its bootloader can
// revive, so a run the window no longer follows is left to finish: its
// output is dropped as it comes, and its QProcess stays here until it ends.
std::vector<QProcess*>& unfollowed() {
    static std::vector<QProcess*> processes;
    return processes;
}

void letFinish(QProcess* process) {
    QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                     [process] { process->readAllStandardOutput(); });
    QObject::connect(process, &QProcess::finished, process, [process] {
        std::erase(unfollowed(), process);
        process->deleteLater();
    });
    unfollowed().push_back(process);
}

class ProcessRun : public WatchedProcess {
public:
    ProcessRun(const QString& program, const QStringList& arguments, const QString& folder)
        : m_process(new QProcess) {
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->setWorkingDirectory(folder);
        // Its own session, so neither a closed terminal nor our end takes it
        // down; writes to a pipe nobody reads any more fail instead of
        // killing it.
        m_process->setChildProcessModifier([] {
            ::setsid();
            ::signal(SIGPIPE, SIG_IGN);
        });
        connect(m_process, &QProcess::readyReadStandardOutput, this,
                [this] { emit output(m_decoder(m_process->readAllStandardOutput())); });
        connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus how) {
            if (how == QProcess::CrashExit) {
                emit finished(-1, tr("ended by a signal"));
            } else {
                emit finished(code, {});
            }
        });
        connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                emit finished(-1, m_process->errorString());
            }
        });
        m_process->start(program, arguments);
    }

    ~ProcessRun() override {
        m_process->disconnect(this);
        if (m_process->state() == QProcess::NotRunning) {
            delete m_process;
        } else {
            letFinish(m_process);
        }
    }

    bool running() const override { return m_process->state() != QProcess::NotRunning; }

private:
    QProcess* m_process;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
};

class SystemLauncher : public Launcher {
public:
    QString findProgram(const QString& name) const override {
        return QStandardPaths::findExecutable(name);
    }
    bool startDetached(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    std::unique_ptr<WatchedProcess> startWatched(const QString& program,
                                                 const QStringList& arguments,
                                                 const QString& folder) override {
        return std::make_unique<ProcessRun>(program, arguments, folder);
    }
};

} // namespace

std::unique_ptr<Launcher> makeSystemLauncher() {
    return std::make_unique<SystemLauncher>();
}

RecordingLauncher::RecordingLauncher() : m_system(makeSystemLauncher()) {}
RecordingLauncher::~RecordingLauncher() = default;

QString RecordingLauncher::findProgram(const QString& name) const {
    const auto found = m_installed.find(name);
    return found == m_installed.end() ? QString() : found->second;
}

bool RecordingLauncher::startDetached(const QString& program, const QStringList& arguments) {
    detached.push_back({program, arguments, {}});
    return true;
}

bool RecordingLauncher::openUrl(const QUrl& url) {
    urls.push_back(url);
    return true;
}

std::unique_ptr<WatchedProcess> RecordingLauncher::startWatched(const QString& program,
                                                                const QStringList& arguments,
                                                                const QString& folder) {
    watched.push_back({program, arguments, folder});
    return m_system->startWatched(program, arguments, folder);
}

} // namespace volmar::firmware
