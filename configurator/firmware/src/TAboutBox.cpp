#include "volmar/firmware/TAboutBox.h"

#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/ProjectPages.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace volmar::firmware {

namespace {

const char* const kNotice =
    "Use at your own risk: check a configuration before you write it to the controller.\n"
    "Используйте на свой страх и риск: проверяйте конфигурацию перед записью в контроллер.";

const char* const kCreditsRussian =
    "Volmar2\n\n"
    "Конфигуратор самодельных USB-контроллеров: джойстиков, РУДов и пультов на платах "
    "atmega32u4, at90usb646 и at90usb1286. Читает, проверяет и записывает настройки "
    "контроллера, показывает его данные в реальном времени и обновляет прошивку.\n\n"
    "Спасибо всем, кто собирал платы, испытывал прошивки, переводил интерфейс и присылал "
    "сообщения об ошибках.";

const char* const kCreditsEnglish =
    "Volmar2\n\n"
    "Configurator for home-built USB game controllers: joysticks, throttles and panels on "
    "atmega32u4, at90usb646 and at90usb1286 boards. It reads, checks and writes the "
    "controller's settings, shows its live data and updates its firmware.\n\n"
    "Thanks to everyone who built boards, tried firmware, translated the program and sent "
    "bug reports.";

QPlainTextEdit* credits(QWidget* parent, const char* name, const QString& accessible,
                        const char* text) {
    auto* box = new QPlainTextEdit(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    box->setReadOnly(true);
    box->setEnabled(false);
    // Disabled, but as legible as any text.
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::Text));
    box->setPalette(palette);
    return box;
}

} // namespace

TAboutBox::TAboutBox(Launcher& launcher, const QString& title, QWidget* parent)
    : QDialog(parent), m_launcher(launcher) {
    setObjectName("TAboutBox");
    setWindowTitle(title);
    setFixedSize(760, 414);

    auto* layout = new QVBoxLayout(this);
    auto* notice = new QLabel(QString::fromUtf8(kNotice), this);
    notice->setObjectName("notice");
    QFont bold = notice->font();
    bold.setBold(true);
    notice->setFont(bold);
    notice->setWordWrap(true);
    layout->addWidget(notice);

    auto* panel = new QFrame(this);
    panel->setObjectName("panel");
    panel->setFrameShape(QFrame::StyledPanel);
    auto* inside = new QVBoxLayout(panel);
    auto* texts = new QHBoxLayout;
    texts->addWidget(credits(panel, "creditsRussian", tr("Credits (Russian)"), kCreditsRussian));
    texts->addWidget(credits(panel, "creditsEnglish", tr("Credits (English)"), kCreditsEnglish));
    inside->addLayout(texts, 1);
    auto* address = new QPushButton(QString::fromLatin1(kProjectPage), panel);
    address->setObjectName("Button1");
    address->setAutoDefault(false);
    inside->addWidget(address);
    layout->addWidget(panel, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    layout->addWidget(ok);

    connect(address, &QPushButton::clicked, this, &TAboutBox::Button1Click);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Centred on the screen, not on the window that opened it.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TAboutBox::Button1Click() {
    m_launcher.openUrl(QUrl(QString::fromLatin1(kProjectPage)));
}

} // namespace volmar::firmware
