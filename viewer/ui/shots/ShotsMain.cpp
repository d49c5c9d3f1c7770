// inspecta-shots: runs Inspecta as the program does and saves pictures of it
// for the demo: the main window at the given times, then its dialogs.
//   inspecta-shots --out DIR [--at 1500,4000] [--raw] [--axes-off-at MS] [--dialogs] [--dark]
#include "CAboutDlg.h"
#include "CAxisView.h"
#include "CBufferedInputView.h"
#include "CDeviceSettingsDlg.h"
#include "CViewerApp.h"
#include "PercentDialogs.h"
#include "Prompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMdiSubWindow>
#include <QPalette>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace volmar::viewer;

namespace {

bool save(QWidget& widget, const QString& file) {
    const bool ok = widget.grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(file));
    return ok;
}

// Shows a dialog without its own event loop, long enough to be drawn.
bool saveDialog(QDialog& dialog, const QString& file) {
    dialog.show();
    dialog.adjustSize();
    QApplication::processEvents();
    const bool ok = save(dialog, file);
    dialog.close();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"out", "Folder for the pictures.", "dir"});
    parser.addOption({"at", "Milliseconds after start of each picture.", "list", "1500,4000"});
    parser.addOption({"raw", "Turn on the raw view of every axis window."});
    parser.addOption({"axes-off-at",
                      "Turn the Axes filter of the Buffered windows off at this time, so that "
                      "they list buttons and hats only.",
                      "ms"});
    parser.addOption({"dialogs", "Also save the settings, about and dead zone dialogs."});
    parser.addOption({"dark", "A dark palette, as a dark desktop theme gives one."});
    parser.process(app);
    if (parser.isSet("dark")) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        // Window text, button, light, dark, mid, text, bright text, base, window.
        QApplication::setPalette(QPalette(QColor(0xe0e0e0), QColor(0x3a3a3a), QColor(0x5a5a5a),
                                          QColor(0x202020), QColor(0x2e2e2e), QColor(0xe0e0e0),
                                          Qt::white, QColor(0x1e1e1e), QColor(0x2b2b2b)));
    }
    const QString out = parser.value("out");
    if (out.isEmpty() || !QDir().mkpath(out)) {
        std::fprintf(stderr, "inspecta-shots: --out DIR is needed and must be writable\n");
        return 2;
    }
    std::vector<int> times;
    for (const QString& t : parser.value("at").split(',', Qt::SkipEmptyParts)) {
        times.push_back(t.toInt());
    }

    DialogPrompts prompts;
    CViewerApp viewer(prompts);
    viewer.initInstance();
    CMainFrame& frame = *viewer.mainFrame();
    if (parser.isSet("raw")) {
        for (QMdiSubWindow* w : frame.windows()) {
            if (CAxisView* axis = frame.axisView(w)) {
                axis->toggleRawView();
            }
        }
    }
    if (parser.isSet("axes-off-at")) {
        QTimer::singleShot(parser.value("axes-off-at").toInt(), Qt::PreciseTimer, &frame, [&] {
            for (QMdiSubWindow* w : frame.windows()) {
                if (CBufferedInputView* list = frame.bufferedView(w)) {
                    list->toggleAxes();
                }
            }
        });
    }
    int failures = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        QTimer::singleShot(times[i], Qt::PreciseTimer, &frame, [&, i] {
            const QString file = QString("%1/inspecta-%2.png").arg(out).arg(i + 1);
            failures += save(frame, file) ? 0 : 1;
        });
    }
    const int last = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
    QTimer::singleShot(last + 100, Qt::PreciseTimer, &frame, [&] {
        if (parser.isSet("dialogs")) {
            CDeviceSettingsDlg settings(frame.deviceManager().devices(), &frame);
            failures += saveDialog(settings, out + "/inspecta-settings.png") ? 0 : 1;
            CAboutDlg about(&frame);
            failures += saveDialog(about, out + "/inspecta-about.png") ? 0 : 1;
            CDeadZoneDlg deadZone(prompts, 5, &frame);
            failures += saveDialog(deadZone, out + "/inspecta-deadzone.png") ? 0 : 1;
        }
        frame.close();
    });
    const int rc = QApplication::exec();
    return failures == 0 ? rc : 1;
}
