#pragma once

// The calibration helper window: one row per axis (tick box, assignment,
// live raw value, minimum, centre, maximum), a box that ticks all eight,
// "Clear data", "Set center" and "Save calibration". Every 50 ms it copies
// the main window's raw values and widens the limits of the ticked, named
// axes. It talks to no controller: it reads the raw values the live
// monitor shows and saves only the three calibration fields of the named
// axes, as ordinary edits of the configuration. The rows are the core's
// CalibrationHelper; this class shows them and forwards the clicks.

#include "volmar/core/Calibration.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QTimer;

namespace volmar::editor {
class ConfigEditor;
}

namespace volmar::monitor {

class TACalBox : public QDialog {
    Q_OBJECT
public:
    // The main window's raw value texts of axes 1..8, read on every step.
    using RawTexts = std::function<std::array<std::string, kAxisCount>()>;

    // FormCreate: the rows from the configuration's names and stored points,
    // every box unticked, tracking running.
    TACalBox(editor::ConfigEditor& editor, RawTexts raw, QWidget* parent = nullptr);

    const CalibrationHelper& rows() const { return m_cal; }

    // The tracking step of the 50 ms timer FormUpdater.
    void FormUpdaterTimer();
    void ClrLimitsClick();
    void SetCentrClick();
    void SetAcalClick();
    void osi_autocal_allClick(bool checked);

private:
    struct Row {
        QCheckBox* tick = nullptr;
        QLineEdit* name = nullptr;
        QLineEdit* current = nullptr;
        QLineEdit* min = nullptr;
        QLineEdit* centre = nullptr;
        QLineEdit* max = nullptr;
    };
    void buildRows(QGridLayout* grid);
    // The edits show the rows as the helper holds them.
    void showRows();

    editor::ConfigEditor& m_editor;
    RawTexts m_raw;
    CalibrationHelper m_cal;
    std::array<Row, kAxisCount> m_rows{};
    QCheckBox* m_all = nullptr;
    QTimer* m_FormUpdater = nullptr;
};

} // namespace volmar::monitor
