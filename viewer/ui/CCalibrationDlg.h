#pragma once

// "Edit Calibration": minimum, center and maximum of an axis, each within
// the axis's HID logical range; "Restore Defaults" shows that range with
// its centre.

#include "volmar/viewer/AxisEdits.h"

#include <QDialog>

class QSpinBox;

namespace volmar::viewer {

class Prompts;

class CCalibrationDlg : public QDialog {
    Q_OBJECT
public:
    CCalibrationDlg(Prompts& prompts, const CalibrationFields& current, std::int32_t hidMin,
                    std::int32_t hidMax, QWidget* parent = nullptr);

    CalibrationFields fields() const;
    void accept() override;

private:
    QSpinBox* field(CalibrationField which) const;

    Prompts& m_prompts;
    std::int32_t m_hidMin;
    std::int32_t m_hidMax;
    QSpinBox* m_min = nullptr;
    QSpinBox* m_center = nullptr;
    QSpinBox* m_max = nullptr;
};

} // namespace volmar::viewer
