#include "CCalibrationDlg.h"

#include "DialogParts.h"
#include "Prompts.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace volmar::viewer {

CCalibrationDlg::CCalibrationDlg(Prompts& prompts, const CalibrationFields& current,
                                 std::int32_t hidMin, std::int32_t hidMax, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_hidMin(hidMin), m_hidMax(hidMax) {
    setObjectName("CCalibrationDlg");
    setWindowTitle("Edit Calibration");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Edit the calibration", this));
    auto* form = new QFormLayout;
    // HID ranges may be negative: these fields take a sign.
    m_min = numberField(this, "edit1011", true);
    m_center = numberField(this, "edit1007", true);
    m_max = numberField(this, "edit1009", true);
    // QFormLayout makes each label the buddy of its field (accessible names).
    form->addRow("Min", m_min);
    form->addRow("Center", m_center);
    form->addRow("Max", m_max);
    layout->addLayout(form);
    m_min->setValue(static_cast<int>(current.min));
    m_center->setValue(static_cast<int>(current.center));
    m_max->setValue(static_cast<int>(current.max));

    QPushButton* restore = addDialogButtons(*this, *layout);
    connect(restore, &QPushButton::clicked, this, [this] {
        const CalibrationFields d = defaultCalibration(m_hidMin, m_hidMax);
        m_min->setValue(static_cast<int>(d.min));
        m_center->setValue(static_cast<int>(d.center));
        m_max->setValue(static_cast<int>(d.max));
    });
    m_min->setFocus();
}

QSpinBox* CCalibrationDlg::field(CalibrationField which) const {
    return which == CalibrationField::Min      ? m_min
           : which == CalibrationField::Center ? m_center
                                               : m_max;
}

CalibrationFields CCalibrationDlg::fields() const {
    return {m_min->value(), m_center->value(), m_max->value()};
}

void CCalibrationDlg::accept() {
    for (QSpinBox* f : {m_min, m_center, m_max}) {
        f->interpretText();
    }
    if (const auto error = checkCalibration(fields(), m_hidMin, m_hidMax)) {
        m_prompts.message(this, "Inspecta", QString::fromStdString(error->message),
                          Prompts::Icon::Warning);
        QSpinBox* bad = field(error->field);
        bad->setFocus();
        bad->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace volmar::viewer
