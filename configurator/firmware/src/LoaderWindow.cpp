#include "volmar/firmware/LoaderWindow.h"

#include "volmar/firmware/Launcher.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace volmar::firmware {

LoaderWindow::LoaderWindow(std::unique_ptr<WatchedProcess> process, const QString& script,
                           const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_process(std::move(process)) {
    setObjectName("LoaderWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(script).fileName());
    resize(640, 360);

    auto* layout = new QVBoxLayout(this);
    auto* command = new QLabel(tr("/bin/sh %1 in %2").arg(script, folder), this);
    command->setObjectName("loaderCommand");
    command->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    command->setWordWrap(true);
    layout->addWidget(command);

    m_output = new QPlainTextEdit(this);
    m_output->setObjectName("loaderOutput");
    m_output->setAccessibleName(tr("Loader output"));
    m_output->setReadOnly(true);
    m_output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_output, 1);

    auto* bottom = new QHBoxLayout;
    m_status = new QLabel(tr("Running..."), this);
    m_status->setObjectName("loaderStatus");
    bottom->addWidget(m_status, 1);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName("loaderClose");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(m_process.get(), &WatchedProcess::output, this, &LoaderWindow::showOutput);
    connect(m_process.get(), &WatchedProcess::finished, this, &LoaderWindow::showFinished);
}

LoaderWindow::~LoaderWindow() = default;

bool LoaderWindow::running() const {
    return m_running;
}

void LoaderWindow::showOutput(const QString& text) {
    // Appended as it comes, without a line break of our own: loaders draw
    // progress bars piece by piece.
    QScrollBar* bar = m_output->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_output->moveCursor(QTextCursor::End);
    m_output->insertPlainText(text);
    if (atEnd) {
        bar->setValue(bar->maximum());
    }
}

void LoaderWindow::showFinished(int exitCode, const QString& failure) {
    m_running = false;
    m_status->setText(failure.isEmpty() ? tr("Finished, exit status %1").arg(exitCode)
                                        : tr("Failed: %1").arg(failure));
}

} // namespace volmar::firmware
