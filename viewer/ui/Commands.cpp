#include "Commands.h"

#include "Art.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace volmar::viewer {

Commands::Commands(QWidget* owner) : QObject(owner), m_owner(owner) {
    add(Command::Settings, "Settings", "&Settings", "Settings", "Settings", kImageSettings);
    add(Command::Reenumerate, "Reenumerate", "Reenumerate", "Reenumerate the devices",
        "Reenumerate (F5)", kImageReenumerate);
    add(Command::AutoTile, "AutoTile", "&Auto Tile")->setCheckable(true);
    add(Command::Cascade, "Cascade", "&Cascade", "Arrange windows so they overlap",
        "Cascade Windows", kImageCascade);
    add(Command::Tile, "Tile", "&Tile", "Arrange windows as non-overlapping tiles", "Tile Windows",
        kImageTile);
    add(Command::StatusBar, "StatusBar", "&Status Bar", "Show or hide the status bar",
        "Toggle StatusBar")
        ->setCheckable(true);
    add(Command::About, "About", "&About Inspecta...", {}, {}, kImageAbout);
    add(Command::SaveToFile, "SaveToFile", "Save to File...", "Save to File", "Save (Ctrl+S)",
        kImageSave);
    add(Command::ClearAll, "ClearAll", "Clear All", "Clear", "Clear (Ctrl+X)", kImageClear);
    add(Command::Capture, "Capture", "toggle\tCtrl+E", "Capture", "Capture (Ctrl+E)",
        kImageCapturing);
    add(Command::DeadZone, "DeadZone", "DeadZone...");
    add(Command::Saturation, "Saturation", "Saturation...");
    add(Command::Calibration, "Calibration", "Calibration...");
    add(Command::ViewRawData, "ViewRawData", "View Raw Data")->setCheckable(true);
    add(Command::Buttons, "Buttons", "Buttons")->setCheckable(true);
    add(Command::Axes, "Axes", "Axes")->setCheckable(true);
    add(Command::POVs, "POVs", "POVs")->setCheckable(true);
    add(Command::EllapsedTime, "EllapsedTime", "Ellapsed Time")->setCheckable(true);
}

QAction* Commands::add(Command command, const QString& name, const QString& text,
                       const QString& prompt, const QString& tip, int image) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    a->setProperty("commandId", static_cast<int>(command));
    if (!prompt.isEmpty()) {
        a->setStatusTip(prompt);
    }
    if (!tip.isEmpty()) {
        a->setToolTip(tip);
    }
    if (image >= 0) {
        a->setIcon(toolbarIcon(image));
    }
    m_owner->addAction(a);
    m_actions[command] = a;
    return a;
}

QAction* Commands::action(Command command) const {
    return m_actions.at(command);
}

void Commands::showMenus(QMenuBar& bar, ActiveWindow active) {
    // The menus go with the bar's entries; the actions stay, they are ours.
    for (QAction* entry : bar.actions()) {
        if (QMenu* menu = entry->menu()) {
            menu->deleteLater();
        }
    }
    bar.clear();
    QMenu* edit = bar.addMenu("&Edit");
    edit->addAction(action(Command::Settings));
    edit->addSeparator();
    edit->addAction(action(Command::Reenumerate));
    if (active == ActiveWindow::Buffered) {
        edit->addAction(action(Command::ClearAll));
    }
    if (active == ActiveWindow::Axis) {
        addAxisItems(*bar.addMenu("Axis"));
    }
    if (active != ActiveWindow::None) {
        QMenu* view = bar.addMenu("&View");
        if (active == ActiveWindow::Buffered) {
            addFilterItems(*view);
            view->addSeparator();
            view->addAction(action(Command::SaveToFile));
            view->addSeparator();
        }
        view->addAction(action(Command::StatusBar));
        if (active == ActiveWindow::Buffered) {
            bar.addMenu("Capture")->addAction(action(Command::Capture));
        }
        QMenu* window = bar.addMenu("&Window");
        window->addAction(action(Command::Cascade));
        window->addAction(action(Command::Tile));
        window->addSeparator();
        window->addAction(action(Command::AutoTile));
    }
    bar.addMenu("&Help")->addAction(action(Command::About));

    // Keys come with the active window: F5 and Ctrl+S with either kind (Save
    // to File does nothing in an axis window), Ctrl+E and Ctrl+X only with a
    // Buffered window, none without a window.
    const bool any = active != ActiveWindow::None;
    const bool buffered = active == ActiveWindow::Buffered;
    action(Command::Reenumerate)->setShortcut(any ? QKeySequence(Qt::Key_F5) : QKeySequence());
    action(Command::SaveToFile)
        ->setShortcut(any ? QKeySequence(QKeySequence::Save) : QKeySequence());
    action(Command::Capture)
        ->setShortcut(buffered ? QKeySequence(Qt::CTRL | Qt::Key_E) : QKeySequence());
    action(Command::ClearAll)
        ->setShortcut(buffered ? QKeySequence(Qt::CTRL | Qt::Key_X) : QKeySequence());
}

void Commands::fillToolBar(QToolBar& bar) {
    const Command buttons[] = {Command::SaveToFile, Command::Reenumerate, Command::Settings,
                               Command::Capture, Command::ClearAll};
    for (Command c : buttons) {
        if (c == Command::Reenumerate || c == Command::Capture) {
            bar.addSeparator();
        }
        bar.addAction(action(c));
        // The button is named after its command, not after a changing menu text.
        if (QWidget* button = bar.widgetForAction(action(c))) {
            button->setAccessibleName(action(c)->statusTip());
        }
    }
}

void Commands::addAxisItems(QMenu& menu) const {
    menu.addAction(action(Command::DeadZone));
    menu.addAction(action(Command::Saturation));
    menu.addAction(action(Command::Calibration));
    menu.addSeparator();
    menu.addAction(action(Command::ViewRawData));
}

void Commands::addFilterItems(QMenu& menu) const {
    for (Command c : {Command::Buttons, Command::Axes, Command::POVs, Command::EllapsedTime}) {
        menu.addAction(action(c));
    }
}

QMenu* Commands::axisContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    addAxisItems(*menu);
    return menu;
}

QMenu* Commands::bufferedContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    addFilterItems(*menu);
    menu->addSeparator();
    menu->addAction(action(Command::Capture));
    menu->addAction(action(Command::ClearAll));
    menu->addSeparator();
    menu->addAction(action(Command::SaveToFile));
    return menu;
}

void Commands::showCaptureState(bool capturing) {
    action(Command::Capture)
        ->setIcon(toolbarIcon(capturing ? kImageCapturing : kImageCaptureStopped));
}

} // namespace volmar::viewer
