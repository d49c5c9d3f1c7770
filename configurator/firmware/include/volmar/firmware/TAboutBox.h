#pragma once

// The about box: product name, a usage notice, the credits in Russian and
// English, a button that opens the project's web page, and "OK". Fixed
// size, centred on the screen; opened modally by "About" and by the two
// connection pictures.

#include <QDialog>

namespace volmar::firmware {

class Launcher;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // `title`: the language's caption of "About".
    TAboutBox(Launcher& launcher, const QString& title, QWidget* parent = nullptr);

    // The address button.
    void Button1Click();

private:
    Launcher& m_launcher;
};

} // namespace volmar::firmware
