#pragma once

// The firmware page TabFMW as far as this version has it: the choices the
// settings file keeps (firmware file, chip, bootloader type, port) and
// "Clear EEPROM". Starting the bootloader and the upload come with the
// firmware tools.

#include <QWidget>

class QPushButton;

namespace volmar {
struct TRecordLng;
}

namespace volmar::app {

class FirmwarePage : public QWidget {
    Q_OBJECT
public:
    explicit FirmwarePage(const TRecordLng& lng, QWidget* parent = nullptr);

    QPushButton* btnResetCnf() const { return m_btnResetCnf; }

private:
    QPushButton* m_btnResetCnf;
};

} // namespace volmar::app
