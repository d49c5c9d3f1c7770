#pragma once

// The LED page TabLED: the two LED outputs, the default colour and the
// digit display's brightness; and the stepper group GrpStepper (its four
// pins and the move tool), which stays hidden.

#include "volmar/editor/ConfigPage.h"

class QSpinBox;

namespace volmar::editor {

class LedPage : public ConfigPage {
    Q_OBJECT
public:
    explicit LedPage(ConfigEditor& editor, QWidget* parent = nullptr);

signals:
    // btn_stepper_moveClick: move the stepper by `steps` (-4000..4000).
    void stepperMoveRequested(int steps);

private:
    QWidget* buildStepper();
};

} // namespace volmar::editor
