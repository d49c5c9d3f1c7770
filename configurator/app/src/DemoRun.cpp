#include "volmar/app/DemoRun.h"

#include "volmar/app/TMForm.h"
#include "volmar/core/Protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace volmar::app {

namespace {

constexpr int kPollMs = 100;
constexpr int kMaxAttempts = 200; // 20 s for a controller to show up in the list

void say(const QString& line) {
    std::printf("demo: %s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

DemoOptions takeDemoOptions(QStringList& arguments) {
    DemoOptions options;
    for (int i = 1; i < arguments.size();) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--demo-read")) {
            options.read = true;
        } else if (arg == QLatin1String("--demo-quit")) {
            options.quit = true;
        } else if (arg == QLatin1String("--demo-screenshot") && i + 1 < arguments.size()) {
            options.screenshot = arguments[i + 1];
            arguments.removeAt(i);
        } else if (arg == QLatin1String("--demo-pages") && i + 1 < arguments.size()) {
            options.pages = arguments[i + 1];
            arguments.removeAt(i);
        } else {
            ++i;
            continue;
        }
        arguments.removeAt(i);
    }
    return options;
}

DemoRun::DemoRun(TMForm& window, DemoOptions options)
    : QObject(&window), m_window(window), m_options(std::move(options)) {
    connect(&m_window, &TMForm::linkExchangeFinished, this, &DemoRun::readFinished);
}

void DemoRun::start() {
    QTimer::singleShot(0, this, &DemoRun::windowShown);
}

void DemoRun::windowShown() {
    say(QStringLiteral("shown"));
    if (m_options.read) {
        tryConnect();
    } else {
        finish(0);
    }
}

// Clicks the first line of a Volmar controller, then "Load sets from device".
void DemoRun::tryConnect() {
    auto* list = m_window.findChild<QListWidget*>("lstHID_DeviceList");
    const QString serial = QStringLiteral("(%1)").arg(QString::fromUtf8(
        protocol::ConfiguratorVersion.data(), protocol::ConfiguratorVersion.size()));
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        if (!item->text().contains(serial)) {
            continue;
        }
        const QString line = item->text();
        list->setCurrentItem(item);
        emit list->itemClicked(item);
        auto* read = m_window.findChild<QPushButton*>("btnRead_MK");
        if (read->isEnabled()) {
            say(QStringLiteral("reading ") + line);
            m_reading = true;
            read->click();
            return;
        }
    }
    if (++m_attempts >= kMaxAttempts) {
        say(QStringLiteral("no Volmar controller was listed"));
        finish(1);
        return;
    }
    QTimer::singleShot(kPollMs, this, &DemoRun::tryConnect);
}

void DemoRun::readFinished(device::Operation op, device::Outcome outcome) {
    if (!m_reading || op != device::Operation::Read) {
        return;
    }
    m_reading = false;
    say(QStringLiteral("read ") + QString::fromLatin1(device::outcomeName(outcome)));
    finish(outcome == device::Outcome::Completed ? 0 : 1);
}

bool DemoRun::save(QWidget& what, const QString& file) {
    // Pending layouts and the chart's geometry first.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    if (what.grab().save(file)) {
        say(QStringLiteral("screenshot ") + file);
        return true;
    }
    say(QStringLiteral("cannot save ") + file);
    return false;
}

bool DemoRun::savePages() {
    auto* pages = m_window.findChild<QTabWidget*>("JvPageControl");
    const QDir folder(m_options.pages);
    bool ok = true;
    for (int i = 0; i < pages->count(); ++i) {
        const bool hidden = !pages->isTabVisible(i);
        pages->setTabVisible(i, true);
        pages->setCurrentIndex(i);
        QWidget* page = pages->widget(i);
        ok = save(m_window, folder.filePath(page->objectName() + ".png")) && ok;
        if (auto* stepper = page->findChild<QWidget*>("GrpStepper");
            stepper && stepper->isHidden()) {
            stepper->show();
            ok = save(m_window, folder.filePath(page->objectName() + "-GrpStepper.png")) && ok;
            stepper->hide();
        }
        pages->setTabVisible(i, !hidden);
    }
    pages->setCurrentIndex(0);
    return ok;
}

void DemoRun::finish(int exitCode) {
    if (!m_options.screenshot.isEmpty() && !save(m_window, m_options.screenshot)) {
        exitCode = 1;
    }
    if (!m_options.pages.isEmpty() && !savePages()) {
        exitCode = 1;
    }
    if (m_options.quit || !m_options.screenshot.isEmpty() || !m_options.pages.isEmpty()) {
        QCoreApplication::exit(exitCode);
    }
}

} // namespace volmar::app
