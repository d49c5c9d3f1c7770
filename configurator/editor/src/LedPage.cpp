#include "volmar/editor/LedPage.h"

#include "PageBuilding.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ConfigEditor.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace volmar::editor {

using detail::toQ;

namespace {

constexpr int kStepperLimit = 4000;

} // namespace

LedPage::LedPage(ConfigEditor& editor, QWidget* parent) : ConfigPage(editor, parent) {
    setObjectName("TabLED");
    const TRecordLng& lng = editor.lng();
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (const auto& [field, caption] :
         {std::pair{"led_ws2811", &lng.lbl_rgbled_port}, {"led_max7219", &lng.lbl_digled_port}}) {
        auto* box = static_cast<QCheckBox*>(binder().create(field, toQ(*caption), this));
        box->setText(toQ(*caption));
        form->addRow(box);
    }
    QWidget* colour = binder().create("led_color_init", toQ(lng.lbl_led_defcolor), this);
    form->addRow(detail::buddyLabel(toQ(lng.lbl_led_defcolor), colour, "lbl_led_defcolor"), colour);
    QWidget* brightness = binder().create("led_digbri", toQ(lng.lbl_led_digbri), this);
    form->addRow(detail::buddyLabel(toQ(lng.lbl_led_digbri), brightness, "lbl_led_digbri"),
                 brightness);
    layout->addLayout(form);
    layout->addWidget(buildStepper(), 0, Qt::AlignLeft);
    layout->addStretch(1);
}

QWidget* LedPage::buildStepper() {
    auto* group = new QGroupBox(tr("Stepper"), this);
    group->setObjectName("GrpStepper");
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    const std::pair<const char*, const char*> pins[] = {{"stepper_pa", "PIN A"},
                                                        {"stepper_pb", "PIN B"},
                                                        {"stepper_pc", "PIN C"},
                                                        {"stepper_pd", "PIN D"}};
    for (const auto& [field, caption] : pins) {
        QWidget* pin = binder().create(field, caption, group);
        form->addRow(detail::buddyLabel(caption, pin), pin);
    }
    auto* row = new QHBoxLayout;
    auto* steps = new QSpinBox(group);
    steps->setObjectName("stepper_move");
    steps->setAccessibleName(tr("Stepper steps"));
    steps->setRange(-kStepperLimit, kStepperLimit);
    steps->setValue(0);
    auto* move = new QPushButton(QStringLiteral("btn_stepper_move"), group);
    move->setObjectName("btn_stepper_move");
    connect(move, &QPushButton::clicked, this,
            [this, steps] { emit stepperMoveRequested(steps->value()); });
    row->addWidget(steps);
    row->addWidget(move);
    row->addStretch(1);
    form->addRow(row);
    // Kept out of sight for the whole run, as the sensor hub page is.
    group->hide();
    return group;
}

} // namespace volmar::editor
