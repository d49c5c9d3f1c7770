#pragma once

// The firmware loader's output, live: a window of its own beside the main
// window (never modal), with the command, what the loader prints and, at
// the end, its exit status. Closing it while the loader runs only stops
// showing the output; the upload goes on.

#include <QWidget>

#include <memory>

class QLabel;
class QPlainTextEdit;

namespace volmar::firmware {

class WatchedProcess;

class LoaderWindow : public QWidget {
    Q_OBJECT
public:
    // Follows `process`, which runs `script` in `folder`.
    LoaderWindow(std::unique_ptr<WatchedProcess> process, const QString& script,
                 const QString& folder, QWidget* parent = nullptr);
    ~LoaderWindow() override;

    bool running() const;

private:
    void showOutput(const QString& text);
    void showFinished(int exitCode, const QString& failure);

    std::unique_ptr<WatchedProcess> m_process;
    QPlainTextEdit* m_output;
    QLabel* m_status;
    bool m_running = true;
};

} // namespace volmar::firmware
