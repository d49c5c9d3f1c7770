#pragma once

// The buttons page TabKNP: the button grid with its clear button and the
// auto-bind box, the 132 indicator panels joy_knp_01 .. joy_knp_132 of the
// hardware buttons, and the button matrix, shift-register, encoder, shift
// key and timer groups.

#include "volmar/core/LiveData.h"
#include "volmar/editor/ConfigPage.h"

#include <array>

class QLabel;

namespace volmar::editor {

class ButtonGrid;

class ButtonsPage : public ConfigPage {
    Q_OBJECT
public:
    explicit ButtonsPage(ConfigEditor& editor, QWidget* parent = nullptr);

    void refresh(const ConfigState& state) override;

    ButtonGrid& grid() { return *m_grid; }

    // For the live monitor: the state of hardware buttons 1..132 (index 0 is
    // button 1); a pressed button's panel turns red, a released one shows
    // the button face.
    void showButtonStates(const std::array<bool, live::kButtons>& pressed);

private:
    QWidget* buildGridColumn();
    QWidget* buildPanels();
    QWidget* buildMatrix();
    void BTN_ClearButtonsClick();

    ButtonGrid* m_grid = nullptr;
    std::array<QLabel*, live::kButtons> m_panels{};
    std::array<bool, live::kButtons> m_pressed{};
};

} // namespace volmar::editor
