#pragma once

// The dead zone and saturation dialogs: one whole-percent field with its
// up-down arrows, "Restore Defaults", OK and Cancel. OK takes the field only
// when it holds 0 to 100; otherwise the range message shows and the dialog
// stays open.

#include <QDialog>

#include <cstdint>

class QSpinBox;

namespace volmar::viewer {

class Prompts;

class CPercentDlg : public QDialog {
    Q_OBJECT
public:
    std::uint32_t percent() const;

protected:
    struct Texts {
        const char* caption;
        const char* explanation;
        const char* fieldName; // the field's object name (its control)
        const char* accessibleName;
        std::uint32_t restoreValue;
    };
    CPercentDlg(Prompts& prompts, const Texts& texts, std::uint32_t percent, QWidget* parent);

public:
    void accept() override;

private:
    Prompts& m_prompts;
    QSpinBox* m_field = nullptr;
};

// "Edit DeadZone": field 1006, "Restore Defaults" puts 0.
class CDeadZoneDlg : public CPercentDlg {
    Q_OBJECT
public:
    CDeadZoneDlg(Prompts& prompts, std::uint32_t percent, QWidget* parent = nullptr);
};

// "Edit Saturation": field 1013, "Restore Defaults" puts 100.
class CSaturationDlg : public CPercentDlg {
    Q_OBJECT
public:
    CSaturationDlg(Prompts& prompts, std::uint32_t percent, QWidget* parent = nullptr);
};

} // namespace volmar::viewer
