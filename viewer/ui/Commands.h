#pragma once

// The viewer's commands as actions, with their menu texts, prompts,
// tooltips, toolbar images and keys, and the menus built from them: the main
// menu while no window is active, the menus of the axis and Buffered windows
// and their context menus. Which window a command goes to is the main
// window's business; this class only describes the commands.

#include <QObject>

#include <map>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace volmar::viewer {

enum class Command {
    Settings = 32775,
    Reenumerate = 32779,
    AutoTile = 32773,
    Cascade = 57650,
    Tile = 57651,
    StatusBar = 59393,
    About = 57664,
    SaveToFile = 32781,
    ClearAll = 32777,
    Capture = 32800,
    DeadZone = 32782,
    Saturation = 32790,
    Calibration = 32787,
    ViewRawData = 32785,
    Buttons = 32791,
    Axes = 32793,
    POVs = 32794,
    EllapsedTime = 32780,
};

// Which kind of window is active: its menus and keys come with it.
enum class ActiveWindow { None, Axis, Buffered };

class Commands : public QObject {
    Q_OBJECT
public:
    // The actions are added to `owner` so that their keys work anywhere in it.
    explicit Commands(QWidget* owner);

    QAction* action(Command command) const;

    // Rebuilds the menu bar for the active window's kind and sets the keys
    // that come with it (none while no window is active).
    void showMenus(QMenuBar& bar, ActiveWindow active);
    // Save to File, separator, Reenumerate, Settings, separator, Capture, Clear All.
    void fillToolBar(QToolBar& bar);
    // Context menus, owned by `parent`.
    QMenu* axisContextMenu(QWidget* parent);
    QMenu* bufferedContextMenu(QWidget* parent);
    // The Capture button's image: 2 while capturing, 1 while stopped.
    void showCaptureState(bool capturing);

private:
    // "DeadZone...", "Saturation...", "Calibration...", separator, "View Raw Data".
    void addAxisItems(QMenu& menu) const;
    // "Buttons", "Axes", "POVs", "Ellapsed Time".
    void addFilterItems(QMenu& menu) const;
    QAction* add(Command command, const QString& name, const QString& text,
                 const QString& prompt = {}, const QString& tip = {}, int image = -1);

    QWidget* m_owner;
    std::map<Command, QAction*> m_actions;
};

} // namespace volmar::viewer
