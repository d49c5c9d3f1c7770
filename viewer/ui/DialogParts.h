#pragma once

// Pieces the viewer's small dialogs share.

#include <QSpinBox>

class QBoxLayout;
class QPushButton;
class QDialog;

namespace volmar::viewer {

// A number field with up-down arrows that has no range of its own: the
// dialog checks the range when OK is pressed. Negative numbers only where
// `signedValues` is set.
QSpinBox* numberField(QWidget* parent, const char* objectName, bool signedValues);

// "Restore Defaults", OK and Cancel in a row; OK is the default button.
// Returns the "Restore Defaults" button.
QPushButton* addDialogButtons(QDialog& dialog, QBoxLayout& layout);

} // namespace volmar::viewer
