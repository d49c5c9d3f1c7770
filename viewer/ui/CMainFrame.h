#pragma once

// Inspecta's main window: the MDI frame with its menus, toolbar and status
// bar. It owns the input device service, keeps one window open per watched
// axis or POV and one Buffered window per device with watched buttons,
// repaints the axis windows of changed devices every 10 ms and keeps the
// devices acquired once a second.

#include "Commands.h"
#include "volmar/input/DeviceManager.h"
#include "volmar/viewer/WatchSettings.h"
#include "volmar/viewer/WindowSet.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>
#include <vector>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace volmar::viewer {

class CAxisView;
class CBufferedInputView;
class ChildFrame;
class Prompts;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 10;
    static constexpr int kUpkeepMs = 1000;

    // The input device service is made with the frame; `factory` gives its
    // input API (by default the system's devices).
    CMainFrame(Prompts& prompts, WatchStore& store, input::CDeviceManager::ApiFactory factory = {},
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Toolbar, status bar, the device service, the two timers, the first
    // enumeration (every class) and the watch settings. False when the
    // device service could not start: the window then runs without devices
    // and without timers.
    bool create();

    // Opens and closes windows to match the watch flags, enables the device
    // classes that have a watched device for the next enumeration, and tiles.
    void refreshWindowSet();
    QMdiSubWindow* findWindow(input::DeviceRecord* device, input::ObjectRecord* object) const;
    void openWindow(input::DeviceRecord* device, input::ObjectRecord* object);
    void closeWindow(input::DeviceRecord* device, input::ObjectRecord* object);

    void reenumerate();
    void editDeviceSettings();
    void showAbout();
    void toggleAutoTile();
    bool autoTile() const { return m_autoTile; }
    void tileChildren();

    // The 10 ms refresh and the once-a-second upkeep (what the timers run).
    void refreshTick();
    void upkeepTick();
    bool timersRunning() const { return m_refreshTimer.isActive() && m_upkeepTimer.isActive(); }

    input::CDeviceManager& deviceManager() const { return *m_manager; }
    Commands& commands() const { return *m_commands; }
    QMdiArea* mdiArea() const { return m_mdi; }
    // Open windows in the order they were opened.
    std::vector<QMdiSubWindow*> windows() const;
    CAxisView* axisView(QMdiSubWindow* window) const;
    CBufferedInputView* bufferedView(QMdiSubWindow* window) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectCommands();
    void childClosed(ChildFrame* child);
    ChildFrame* current() const;
    CAxisView* activeAxis() const;
    CBufferedInputView* activeBuffered() const;
    void updateCommandStates();
    void showLocks();

    Prompts& m_prompts;
    WatchStore& m_store;
    std::unique_ptr<input::CDeviceManager> m_manager;
    QMdiArea* m_mdi = nullptr;
    QToolBar* m_toolBar = nullptr;
    Commands* m_commands = nullptr;
    QLabel* m_caps = nullptr;
    QLabel* m_num = nullptr;
    QLabel* m_scroll = nullptr;
    bool m_autoTile = true;
    QTimer m_refreshTimer;
    QTimer m_upkeepTimer;
    std::vector<ChildFrame*> m_children;
    ActiveWindow m_menus = ActiveWindow::Buffered; // anything but the first one shown
    bool m_refreshing = false;
    bool m_refreshAgain = false;
    bool m_destroying = false;
};

} // namespace volmar::viewer
