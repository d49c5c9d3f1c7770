#pragma once

#include <QDialog>

namespace volmar::viewer {

inline constexpr const char* kVersionLine = "Inspecta v4.65.116";

// "About Inspecta": the program icon, the version line and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace volmar::viewer
