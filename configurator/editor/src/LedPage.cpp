#include "volmar/editor/LedPage.h"

#include "PageBuilding.h"
#include "volmar/editor/ConfigEditor.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace volmar::editor {

namespace {

constexpr int kStepperLimit = 4000;

} // namespace

LedPage::LedPage(ConfigEditor& editor, QWidget* parent) : ConfigPage(editor, parent) {
    setObjectName("TabLED");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (const char* field : {"led_ws2811", "led_max7219"}) {
        QWidget* box = binder().create(field, {}, this);
        texts().caption(box);
        texts().accessibleName(box, LanguageTexts::named(field));
        form->addRow(box);
    }
    QWidget* colour = binder().create("led_color_init", {}, this);
    form->addRow(texts().label(colour, "lbl_led_defcolor"), colour);
    QWidget* brightness = binder().create("led_digbri", {}, this);
    form->addRow(texts().label(brightness, "lbl_led_digbri"), brightness);
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
