#include "volmar/app/FirmwarePage.h"

#include "volmar/core/LanguageRecord.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace volmar::app {

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

} // namespace

FirmwarePage::FirmwarePage(const TRecordLng& lng, QWidget* parent) : QWidget(parent) {
    setObjectName("TabFMW");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto row = [&](const std::string& caption, QWidget* control) {
        control->setAccessibleName(toQ(caption));
        form->addRow(toQ(caption), control);
    };
    auto* file = new QLineEdit(this);
    file->setObjectName("FileFirm");
    row(lng.lbl_firmware, file);
    row(lng.lbl_dev_mcu,
        choice(this, "joy_hardware_mcu", {"--", "at90usb646", "atmega32u4", "at90usb1286"}));
    row(lng.lblBootloader,
        choice(this, "select_bootloader", {"--", "Atmel FLIP", "Arduino", "Teensy2"}));
    auto* port = new QLineEdit(this);
    port->setObjectName("com_port");
    row(lng.lblPort, port);
    layout->addLayout(form);

    m_btnResetCnf = new QPushButton(toQ(lng.btnclearmem), this);
    m_btnResetCnf->setObjectName("btnResetCnf");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnResetCnf);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(tr("Bootloader start and firmware upload are not yet available in "
                                    "this version."),
                                 this));
    layout->addStretch(1);
}

} // namespace volmar::app
