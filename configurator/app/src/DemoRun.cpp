#include "volmar/app/DemoRun.h"

#include "volmar/app/TMForm.h"
#include "volmar/core/Protocol.h"
#include "volmar/firmware/TAboutBox.h"
#include "volmar/monitor/TACalBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <iterator>
#include <memory>

namespace volmar::app {

namespace {

constexpr int kPollMs = 100;
constexpr int kMaxAttempts = 200; // 20 s for a controller to show up in the list
// Live pictures: a few monitor ticks after the read, then one second later.
constexpr int kLiveSettleMs = 500;
constexpr int kLiveIntervalMs = 1000;

void say(const QString& line) {
    std::printf("demo: %s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

void applyDemoLook(const DemoOptions& options) {
    if (!options.dark) {
        return;
    }
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Window text, button, light, dark, mid, text, bright text, base, window.
    QApplication::setPalette(QPalette(QColor(0xe0e0e0), QColor(0x3a3a3a), QColor(0x5a5a5a),
                                      QColor(0x202020), QColor(0x2e2e2e), QColor(0xe0e0e0),
                                      Qt::white, QColor(0x1e1e1e), QColor(0x2b2b2b)));
}

DemoOptions takeDemoOptions(QStringList& arguments) {
    DemoOptions options;
    const std::pair<const char*, bool DemoOptions::*> flags[] = {
        {"--demo-read", &DemoOptions::read},
        {"--demo-firmware", &DemoOptions::firmware},
        {"--demo-quit", &DemoOptions::quit},
        {"--demo-dark", &DemoOptions::dark}};
    // Each takes the argument after it.
    const std::pair<const char*, QString DemoOptions::*> valued[] = {
        {"--demo-screenshot", &DemoOptions::screenshot},
        {"--demo-about", &DemoOptions::about},
        {"--demo-live", &DemoOptions::live},
        {"--demo-pages", &DemoOptions::pages},
        {"--demo-languages", &DemoOptions::languages},
        {"--demo-settings", &DemoOptions::settings}};
    for (int i = 1; i < arguments.size();) {
        const QString& arg = arguments[i];
        int taken = 0;
        for (const auto& [name, flag] : flags) {
            if (arg == QLatin1String(name)) {
                options.*flag = true;
                taken = 1;
            }
        }
        for (const auto& [name, value] : valued) {
            if (arg == QLatin1String(name) && i + 1 < arguments.size()) {
                options.*value = arguments[i + 1];
                taken = 2;
            }
        }
        if (taken == 0) {
            ++i;
        }
        for (; taken > 0; --taken) {
            arguments.removeAt(i);
        }
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
    } else if (m_options.firmware) {
        showFirmware();
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
    again(&DemoRun::tryConnect, "no Volmar controller was listed");
}

void DemoRun::again(void (DemoRun::*step)(), const char* failure) {
    if (++m_attempts >= kMaxAttempts) {
        say(QString::fromLatin1(failure));
        finish(1);
        return;
    }
    QTimer::singleShot(kPollMs, this, step);
}

void DemoRun::readFinished(device::Operation op, device::Outcome outcome) {
    if (!m_reading || op != device::Operation::Read) {
        return;
    }
    m_reading = false;
    say(QStringLiteral("read ") + QString::fromLatin1(device::outcomeName(outcome)));
    if (outcome == device::Outcome::Completed && m_options.firmware) {
        showFirmware();
        return;
    }
    finish(outcome == device::Outcome::Completed ? 0 : 1);
}

// The firmware page, "Start bootloader", then "COM ports list" until the
// controller's bootloader port is listed; the port watch colours it.
void DemoRun::showFirmware() {
    auto* pages = m_window.findChild<QTabWidget*>("JvPageControl");
    pages->setCurrentWidget(m_window.findChild<QWidget*>("TabFMW"));
    say(QStringLiteral("starting the bootloader"));
    m_window.findChild<QPushButton*>("btnOpenBL")->click();
    m_attempts = 0;
    QTimer::singleShot(kPollMs, this, &DemoRun::waitForBootloaderPort);
}

void DemoRun::waitForBootloaderPort() {
    m_window.findChild<QPushButton*>("BtnGetCPorts")->click();
    const QString ports = m_window.findChild<QLineEdit*>("com_port")->text();
    if (!ports.isEmpty()) {
        say(QStringLiteral("serial ports ") + ports);
        // One monitor tick later the field shows the port as present.
        QTimer::singleShot(3 * kPollMs, this, [this] { finish(0); });
        return;
    }
    again(&DemoRun::waitForBootloaderPort, "no bootloader port was listed");
}

// Opens the about box as "About" does and saves its picture once it shows.
bool DemoRun::saveAbout() {
    auto saved = std::make_shared<bool>(false);
    QTimer::singleShot(kPollMs, this, [this, saved] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<firmware::TAboutBox*>(top); box && box->isVisible()) {
                *saved = box->grab().save(m_options.about);
                box->accept();
            }
        }
    });
    // Modal: returns once the box has been saved and closed.
    m_window.findChild<QPushButton*>("btn_about")->click();
    say((*saved ? QStringLiteral("about box ") : QStringLiteral("cannot save ")) + m_options.about);
    return *saved;
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
    // The calibration helper, with the live raw values it follows.
    m_window.findChild<QPushButton*>("btn_acal")->click();
    if (auto* box = m_window.findChild<monitor::TACalBox*>()) {
        // A few of its tracking steps, so the current values show.
        QEventLoop steps;
        QTimer::singleShot(kLiveSettleMs, &steps, &QEventLoop::quit);
        steps.exec();
        ok = save(*box, folder.filePath(QStringLiteral("TACalBox.png"))) && ok;
        box->close();
    }
    return ok;
}

// Every language in `Translate` order, chosen as a user would.
bool DemoRun::saveLanguages() {
    auto* translate = m_window.findChild<QComboBox*>("Translate");
    const char* const codes[] = {"ru", "de", "en", "hr"};
    const QDir folder(m_options.languages);
    bool ok = true;
    for (int i = 0; i < translate->count() && i < static_cast<int>(std::size(codes)); ++i) {
        translate->setCurrentIndex(i);
        // A few monitor ticks, so the live fields show in every picture.
        QEventLoop ticks;
        QTimer::singleShot(kLiveSettleMs, &ticks, &QEventLoop::quit);
        ticks.exec();
        ok = save(m_window, folder.filePath(QStringLiteral("volmarsetup-%1.png").arg(codes[i]))) &&
             ok;
    }
    return ok;
}

void DemoRun::finish(int exitCode) {
    m_exitCode = exitCode;
    if (m_options.live.isEmpty() || exitCode != 0) {
        finishWithPictures();
        return;
    }
    // The monitor shows live data again a tick after the read; the two
    // pictures a second apart show it moving.
    QTimer::singleShot(kLiveSettleMs, this, [this] {
        if (!m_options.screenshot.isEmpty() && !save(m_window, m_options.screenshot)) {
            m_exitCode = 1;
        }
        m_options.screenshot.clear();
        QTimer::singleShot(kLiveIntervalMs, this, [this] {
            if (!save(m_window, m_options.live)) {
                m_exitCode = 1;
            }
            finishWithPictures();
        });
    });
}

void DemoRun::finishWithPictures() {
    int exitCode = m_exitCode;
    if (!m_options.screenshot.isEmpty() && !save(m_window, m_options.screenshot)) {
        exitCode = 1;
    }
    if (!m_options.pages.isEmpty() && !savePages()) {
        exitCode = 1;
    }
    if (!m_options.about.isEmpty() && !saveAbout()) {
        exitCode = 1;
    }
    if (!m_options.languages.isEmpty() && !saveLanguages()) {
        exitCode = 1;
    }
    if (m_options.quit || !m_options.screenshot.isEmpty() || !m_options.pages.isEmpty() ||
        !m_options.about.isEmpty() || !m_options.live.isEmpty() || !m_options.languages.isEmpty()) {
        // Closed as a user closes it, so the settings are saved as then.
        m_window.close();
        QCoreApplication::exit(exitCode);
    }
}

} // namespace volmar::app
