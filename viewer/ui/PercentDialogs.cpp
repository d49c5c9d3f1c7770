#include "PercentDialogs.h"

#include "DialogParts.h"
#include "Prompts.h"
#include "volmar/viewer/AxisEdits.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace volmar::viewer {

CPercentDlg::CPercentDlg(Prompts& prompts, const Texts& texts, std::uint32_t percent,
                         QWidget* parent)
    : QDialog(parent), m_prompts(prompts) {
    setWindowTitle(texts.caption);
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(texts.explanation, this);
    explanation->setWordWrap(true);
    explanation->setMinimumWidth(explanation->fontMetrics().averageCharWidth() * 48);
    layout->addWidget(explanation);

    auto* row = new QHBoxLayout;
    m_field = numberField(this, texts.fieldName, false);
    m_field->setValue(static_cast<int>(percent));
    m_field->setAccessibleName(texts.accessibleName);
    auto* unit = new QLabel("%", this);
    unit->setBuddy(m_field);
    row->addWidget(m_field);
    row->addWidget(unit);
    row->addStretch(1);
    layout->addLayout(row);

    QPushButton* restore = addDialogButtons(*this, *layout);
    const int restoreValue = static_cast<int>(texts.restoreValue);
    connect(restore, &QPushButton::clicked, this,
            [this, restoreValue] { m_field->setValue(restoreValue); });
    m_field->setFocus();
    m_field->selectAll();
}

std::uint32_t CPercentDlg::percent() const {
    return static_cast<std::uint32_t>(m_field->value());
}

void CPercentDlg::accept() {
    m_field->interpretText();
    if (const auto message = checkPercent(m_field->value())) {
        m_prompts.message(this, "Inspecta", QString::fromStdString(*message),
                          Prompts::Icon::Warning);
        m_field->setFocus();
        m_field->selectAll();
        return;
    }
    QDialog::accept();
}

CDeadZoneDlg::CDeadZoneDlg(Prompts& prompts, std::uint32_t percent, QWidget* parent)
    : CPercentDlg(prompts,
                  {"Edit DeadZone",
                   "Enter the deadzone as a percentage from 0 - 100%. Half the value is applied "
                   "to each half around the center.",
                   "edit1006", "DeadZone %", kDeadZoneDefaultPercent},
                  percent, parent) {
    setObjectName("CDeadZoneDlg");
}

CSaturationDlg::CSaturationDlg(Prompts& prompts, std::uint32_t percent, QWidget* parent)
    : CPercentDlg(prompts,
                  {"Edit Saturation",
                   "Enter the saturation as a percentage from 0 - 100%. . Half the value is "
                   "applied to both ends of the axis.",
                   "edit1013", "Saturation %", kSaturationDefaultPercent},
                  percent, parent) {
    setObjectName("CSaturationDlg");
}

} // namespace volmar::viewer
