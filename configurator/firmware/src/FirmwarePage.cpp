#include "volmar/firmware/FirmwarePage.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/LoaderScript.h"
#include "volmar/core/PortWatch.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/LoaderWindow.h"
#include "volmar/firmware/SerialPortList.h"
#include "volmar/firmware/UploadScript.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace volmar::firmware {

namespace {

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

// Editable: the settings file may hold any text, which then shows as it is
// with no entry selected.
QComboBox* choice(QWidget* parent, const char* name, const QStringList& entries) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
    return combo;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& text) {
    auto* line = new QLineEdit(text, parent);
    line->setObjectName(name);
    return line;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

const QColor kPresent(0, 128, 0);

} // namespace

FirmwarePage::FirmwarePage(const TRecordLng& lng, FirmwareServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_texts(lng) {
    setObjectName("TabFMW");
    // A column of readable width at the left; the rest of the page stays free.
    auto* outer = new QHBoxLayout(this);
    auto* layout = new QVBoxLayout;
    outer->addLayout(layout, 3);
    outer->addStretch(1);
    auto* grid = new QGridLayout;
    int row = 0;
    // A label with its control; the control is named by the label for
    // assistive technology.
    const auto labelled = [&](const char* labelName, QWidget* control, QWidget* extra = nullptr) {
        grid->addWidget(m_texts.label(control, labelName), row, 0);
        grid->addWidget(control, row, 1);
        if (extra != nullptr) {
            grid->addWidget(extra, row, 2);
        }
        ++row;
    };

    m_FileFirm = edit(this, "FileFirm", QStringLiteral("-"));
    auto* browse = button(this, "FileFirmBrowse", QStringLiteral("..."));
    m_texts.accessibleName(browse, [](const TRecordLng& l) {
        return tr("Browse: %1").arg(toQ(l.lbl_firmware)).toStdString();
    });
    labelled("lblFirmwareFile", m_FileFirm, browse);
    m_joy_hardware_mcu =
        choice(this, "joy_hardware_mcu", {"--", "at90usb646", "atmega32u4", "at90usb1286"});
    labelled("lbl_dev_mcu", m_joy_hardware_mcu);
    m_select_bootloader =
        choice(this, "select_bootloader", {"--", "Atmel FLIP", "Arduino", "Teensy2"});
    labelled("lblBootloader", m_select_bootloader);
    m_com_port = edit(this, "com_port", {});
    auto* getPorts = languageButton("BtnGetCPorts");
    labelled("lblPort", m_com_port, getPorts);
    m_chk_autofirmware = new QCheckBox(this);
    m_chk_autofirmware->setObjectName("chk_autofirmware");
    m_texts.caption(m_chk_autofirmware);
    grid->addWidget(m_chk_autofirmware, row++, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    // The upload and the template it uses, side by side.
    auto* actions = new QHBoxLayout;
    m_btnOpenBL = languageButton("btnOpenBL");
    m_btnStartFirmware = languageButton("btnStartFirmware");
    m_command_file = edit(this, "command_file", QStringLiteral("-"));
    m_command_file->setAccessibleName(tr("Loader template"));
    actions->addWidget(m_btnOpenBL);
    actions->addWidget(m_btnStartFirmware);
    actions->addWidget(m_command_file, 1);
    layout->addLayout(actions);

    m_btnResetCnf = languageButton("btnResetCnf");
    auto* clear = new QHBoxLayout;
    clear->addWidget(m_btnResetCnf);
    clear->addStretch(1);
    layout->addLayout(clear);
    layout->addStretch(1);

    connect(browse, &QPushButton::clicked, this,
            [this] { FileFirmBrowseClick(toQ(m_texts.lng().lbl_firmware)); });
    connect(getPorts, &QPushButton::clicked, this, &FirmwarePage::BtnGetCPortsClick);
    connect(m_btnStartFirmware, &QPushButton::clicked, this, &FirmwarePage::btnStartFirmwareClick);
}

QPushButton* FirmwarePage::languageButton(const char* name) {
    auto* b = button(this, name, {});
    m_texts.caption(b);
    return b;
}

void FirmwarePage::retranslate() {
    m_texts.apply();
}

QString FirmwarePage::portList() const {
    return QString::fromStdString(ports::joinPortList(m_services.ports->ports()));
}

void FirmwarePage::BtnGetCPortsClick() {
    m_com_port->setText(portList());
}

void FirmwarePage::FileFirmBrowseClick(const QString& title) {
    const QString file = m_services.chooseFile(title, QStringLiteral("Hex (*.hex)"));
    if (!file.isEmpty()) {
        m_FileFirm->setText(file);
    }
}

void FirmwarePage::showPresent(bool present) {
    if (present == m_shownPresent) {
        return;
    }
    m_shownPresent = present;
    if (present) {
        QPalette green = m_com_port->palette();
        green.setColor(QPalette::Base, kPresent);
        green.setColor(QPalette::Text, Qt::white);
        m_com_port->setPalette(green);
    } else {
        m_com_port->setPalette(QPalette());
    }
}

void FirmwarePage::comPortWatch() {
    const ports::WatchStep step =
        ports::comPortWatch(portList().toStdString(), m_com_port->text().toStdString(),
                            m_chk_autofirmware->isChecked());
    const QString text = QString::fromStdString(step.com_port);
    // Only a change is written: the user may be typing in the field.
    if (text != m_com_port->text()) {
        m_com_port->setText(text);
    }
    showPresent(step.present);
    if (step.startUpload) {
        m_chk_autofirmware->setChecked(false);
        btnStartFirmwareClick();
    }
}

void FirmwarePage::btnStartFirmwareClick() {
    QString folder;
    if (const auto loader = loader::loaderFor(m_select_bootloader->currentIndex(),
                                              m_services.programFolder.toStdString())) {
        m_command_file->setText(QString::fromStdString(loader->templateFile));
        folder = QString::fromStdString(loader->folder);
    }
    loader::Values values;
    values.chip = m_joy_hardware_mcu->currentText().toStdString();
    values.file = m_FileFirm->text().toStdString();
    values.port = m_com_port->text().toStdString();
    values.path = folder.toStdString();
    const auto script = writeLoaderScript(m_command_file->text(), folder, values,
                                          m_services.userFolder, m_services.scriptsToUserFolder);
    if (!script) {
        m_services.message(QString::fromStdString(script.error().text));
        return;
    }
    auto* window =
        new LoaderWindow(m_services.launcher->startWatched(QStringLiteral("/bin/sh"),
                                                           {script->script}, script->folder),
                         script->script, script->folder, this);
    window->show();
}

} // namespace volmar::firmware
