#pragma once

// Where "VolmarSetup.ini" lives and how it is read and written: beside the
// executable when that folder is writable (as the program has always kept
// it), else, and always when the program is installed, in
// $XDG_CONFIG_HOME/VolmarSetup/. The window moves the values
// to and from its controls by object name, so a control a later page adds
// is picked up where it appears.

#include "volmar/core/ProgramSettings.h"
#include "volmar/sysio/Result.h"

#include <QString>

class QWidget;

namespace volmar::app {

struct ProgramFolders;

// The settings file's path for this executable.
QString defaultSettingsFile();
// The same for a program in `folders`.
QString settingsFileFor(const ProgramFolders& folders);

// A missing or unreadable file reads as all defaults.
ProgramSettings loadSettings(const QString& file);
// Writes every key, keeping the rest of the file, through the safe file
// output (the old file stays whole when the save fails); a failure reads
// "Error write file "<file>" [<reason>]".
Status saveSettings(const QString& file, const ProgramSettings& settings);

// Puts the values into the controls of `window` (found by object name) and
// moves the window; an editable list shows the stored text and selects the
// last entry equal to it, or keeps its selection when none is. No change
// handler runs.
void applySettings(QWidget& window, const ProgramSettings& settings);
// The values as the controls and the window's position hold them now; keys
// whose control does not exist keep their value from `loaded`.
ProgramSettings collectSettings(const QWidget& window, const ProgramSettings& loaded);

} // namespace volmar::app
