#pragma once

// A small automation of the window for `./x demo` and the start-up
// benchmark, off unless one of its hidden options is given:
//   --demo-read             click the first line of a Volmar controller and
//                           read its configuration
//   --demo-screenshot FILE  then save a picture of the window to FILE
//   --demo-firmware         then show the firmware page, start the
//                           bootloader and list the serial ports once the
//                           controller's bootloader port shows
//   --demo-pages DIR        then save a picture of the window with each page
//                           shown to DIR/<page>.png (the hidden sensor hub
//                           page and stepper group shown for their pictures)
//                           and of the calibration helper to DIR/TACalBox.png
//   --demo-live FILE        with --demo-read: the screenshot half a second
//                           after the read (live data shown), and one more a
//                           second later to FILE, so the two differ where the
//                           live fields moved
//   --demo-quit             end the program when done (implied by the
//                           screenshot)
//   --demo-about FILE       at the end, save a picture of the about box
//   --demo-languages DIR    at the end, choose each entry of `Translate` in
//                           turn and save a picture of the window in that
//                           language to DIR/volmarsetup-<ru|de|en|hr>.png
//   --demo-settings FILE    the settings file to use instead of the one
//                           beside the program (the demo keeps its own)
//   --demo-dark             a dark palette, as a dark desktop theme gives one
// It prints one line per step ("demo: shown", "demo: read completed",
// "demo: screenshot FILE" for each picture) and drives the window only
// through its controls, as a user would.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace volmar::device {
enum class Operation;
enum class Outcome;
} // namespace volmar::device

namespace volmar::app {

class TMForm;

struct DemoOptions {
    bool read = false;
    bool firmware = false;
    QString screenshot;
    QString about;
    QString pages;
    QString live;
    QString languages;
    QString settings;
    bool quit = false;
    bool dark = false;
    bool active() const {
        return read || firmware || !screenshot.isEmpty() || !about.isEmpty() || !pages.isEmpty() ||
               !live.isEmpty() || !languages.isEmpty() || quit;
    }
};

// Takes the demo options out of `arguments`.
DemoOptions takeDemoOptions(QStringList& arguments);
// The look the options ask for, before the window is made.
void applyDemoLook(const DemoOptions& options);

class DemoRun : public QObject {
    Q_OBJECT
public:
    DemoRun(TMForm& window, DemoOptions options);
    // Starts once the event loop runs.
    void start();

private:
    void windowShown();
    void tryConnect();
    // `step` once more after a poll, or `failure` and the end once the
    // attempts are used up.
    void again(void (DemoRun::*step)(), const char* failure);
    void readFinished(device::Operation op, device::Outcome outcome);
    void showFirmware();
    void waitForBootloaderPort();
    // The pictures asked for, then the end when they were.
    void finish(int exitCode);
    void finishWithPictures();
    bool saveAbout();
    bool savePages();
    bool saveLanguages();
    bool save(QWidget& what, const QString& file);

    TMForm& m_window;
    DemoOptions m_options;
    int m_attempts = 0;
    bool m_reading = false;
    int m_exitCode = 0;
};

} // namespace volmar::app
