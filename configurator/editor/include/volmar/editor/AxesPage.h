#pragma once

// The axes page TabOSI: one row per axis 1..8, one column per control family,
// built from a column table so every control is named after its field
// ("osi_3_src") and every cell's accessible name is "<column caption>
// <axis>"; below the table the sensor boards' clock pin and the calibration
// helper button. Which cells are enabled follows the axis rules.

#include "volmar/core/Rules.h"
#include "volmar/editor/ConfigPage.h"

#include <array>
#include <vector>

class QPushButton;

namespace volmar::editor {

class AxesPage : public ConfigPage {
    Q_OBJECT
public:
    explicit AxesPage(ConfigEditor& editor, QWidget* parent = nullptr);

    void refresh(const ConfigState& state) override;

    // "Calibrate helper": the main window opens the calibration window.
    QPushButton* btnAcal() const { return m_btnAcal; }

private:
    struct Cell {
        QWidget* widget;
        bool AxisEnables::*enable; // nullptr: always enabled
    };
    void buildTable(QWidget* table);
    std::array<std::vector<Cell>, kAxisCount> m_rows;
    QPushButton* m_btnAcal = nullptr;
};

} // namespace volmar::editor
