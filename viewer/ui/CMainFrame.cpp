#include "CMainFrame.h"

#include "Art.h"
#include "CAboutDlg.h"
#include "CAxisView.h"
#include "CBufferedInputView.h"
#include "CDeviceSettingsDlg.h"
#include "Prompts.h"
#include "volmar/viewer/LockIndicators.h"
#include "volmar/viewer/Tiling.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <functional>

namespace volmar::viewer {

// The MDI child frame of one document: it knows which (device, object) it
// shows and tells the main window once it has closed.
class ChildFrame : public QMdiSubWindow {
public:
    ChildFrame(const WindowKey& key, std::function<void(ChildFrame*)> closed)
        : m_key(key), m_closed(std::move(closed)) {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    const WindowKey& key() const { return m_key; }

protected:
    void closeEvent(QCloseEvent* event) override {
        QMdiSubWindow::closeEvent(event);
        if (event->isAccepted() && m_closed) {
            auto closed = std::move(m_closed);
            closed(this);
        }
    }

private:
    WindowKey m_key;
    std::function<void(ChildFrame*)> m_closed;
};

CMainFrame::CMainFrame(Prompts& prompts, WatchStore& store,
                       input::CDeviceManager::ApiFactory factory, QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_store(store),
      m_manager(std::make_unique<input::CDeviceManager>(std::move(factory))) {
    setObjectName("CMainFrame");
    setWindowTitle("Inspecta");
    setWindowIcon(programIcon());
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("mdiArea");
    m_mdi->setAccessibleName("Inspecta windows");
    // The area's viewport, not the area: it is resized once the area has
    // laid out its scroll bars, so tiling sees the final size.
    m_mdi->viewport()->installEventFilter(this);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { updateCommandStates(); });
    m_commands = new Commands(this);
    connectCommands();
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CMainFrame::refreshTick);
    connect(&m_upkeepTimer, &QTimer::timeout, this, &CMainFrame::upkeepTick);
}

CMainFrame::~CMainFrame() {
    // Windows go before the device records they show.
    m_destroying = true;
    m_refreshTimer.stop();
    m_upkeepTimer.stop();
    const std::vector<ChildFrame*> children = m_children;
    m_children.clear();
    for (ChildFrame* child : children) {
        delete child;
    }
    m_manager.reset();
}

bool CMainFrame::create() {
    m_toolBar = addToolBar("Toolbar");
    m_toolBar->setObjectName("toolBar");
    m_toolBar->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    m_toolBar->setMovable(false);
    m_commands->fillToolBar(*m_toolBar);

    statusBar()->setObjectName("statusBar");
    const std::pair<QLabel**, const char*> panes[] = {
        {&m_caps, "CAPS"}, {&m_num, "NUM"}, {&m_scroll, "SCRL"}};
    for (const auto& [label, text] : panes) {
        *label = new QLabel(this);
        (*label)->setObjectName(text);
        (*label)->setAccessibleName(text);
        (*label)->setMinimumWidth((*label)->fontMetrics().horizontalAdvance(text) + 8);
        (*label)->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(*label);
    }
    showLocks();
    updateCommandStates();

    if (input::failed(m_manager->Create())) {
        return false;
    }
    m_refreshTimer.start(kRefreshMs);
    m_upkeepTimer.start(kUpkeepMs);
    m_manager->setGameControllerClass(1);
    m_manager->setPointerClass(1);
    m_manager->setKeyboardClass(1);
    m_manager->Enumerate();
    loadWatchSettings(m_manager->devices(), m_store);
    return true;
}

void CMainFrame::connectCommands() {
    Commands& c = *m_commands;
    const auto on = [this, &c](Command command, auto handler) {
        connect(c.action(command), &QAction::triggered, this, [this, handler] {
            handler();
            updateCommandStates();
        });
    };
    on(Command::Settings, [this] { editDeviceSettings(); });
    on(Command::Reenumerate, [this] { reenumerate(); });
    on(Command::AutoTile, [this] { toggleAutoTile(); });
    on(Command::Cascade, [this] { m_mdi->cascadeSubWindows(); });
    on(Command::Tile, [this] { tileChildren(); });
    on(Command::StatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisibleTo(this)); });
    on(Command::About, [this] { showAbout(); });
    // Window commands go to the active window of their kind.
    const auto route = [&on](Command command, auto active, auto member) {
        on(command, [active, member] {
            if (auto* view = active()) {
                (view->*member)();
            }
        });
    };
    const auto buffered = [this] { return activeBuffered(); };
    const std::pair<Command, void (CBufferedInputView::*)()> bufferedCommands[] = {
        {Command::SaveToFile, &CBufferedInputView::saveToFile},
        {Command::ClearAll, &CBufferedInputView::clearAll},
        {Command::Capture, &CBufferedInputView::toggleCapture},
        {Command::Buttons, &CBufferedInputView::toggleButtons},
        {Command::Axes, &CBufferedInputView::toggleAxes},
        {Command::POVs, &CBufferedInputView::togglePovs},
        {Command::EllapsedTime, &CBufferedInputView::toggleElapsedTime}};
    for (const auto& [command, member] : bufferedCommands) {
        route(command, buffered, member);
    }
    const auto axis = [this] { return activeAxis(); };
    const std::pair<Command, void (CAxisView::*)()> axisCommands[] = {
        {Command::DeadZone, &CAxisView::editDeadZone},
        {Command::Saturation, &CAxisView::editSaturation},
        {Command::Calibration, &CAxisView::editCalibration},
        {Command::ViewRawData, &CAxisView::toggleRawView}};
    for (const auto& [command, member] : axisCommands) {
        route(command, axis, member);
    }
}

// ------------------------------------------------------------ window set

void CMainFrame::refreshWindowSet() {
    // Closing an axis window unwatches it and asks for a refresh itself:
    // that request is served by this loop instead of nesting.
    if (m_refreshing) {
        m_refreshAgain = true;
        return;
    }
    m_refreshing = true;
    do {
        m_refreshAgain = false;
        const WindowSet set = computeWindowSet(m_manager->devices());
        const std::vector<ChildFrame*> open = m_children;
        for (ChildFrame* child : open) {
            const bool stillOpen =
                std::find(m_children.begin(), m_children.end(), child) != m_children.end();
            if (stillOpen && !isWanted(set, child->key())) {
                child->close();
            }
        }
        if (m_refreshAgain) {
            continue; // the flags moved while closing: look again
        }
        for (const WindowKey& key : set.wanted) {
            openWindow(key.device, key.object);
        }
        m_manager->setGameControllerClass(set.classes.gameController ? 1 : 0);
        m_manager->setPointerClass(set.classes.pointer ? 1 : 0);
        m_manager->setKeyboardClass(set.classes.keyboard ? 1 : 0);
    } while (m_refreshAgain);
    m_refreshing = false;
    tileChildren();
    updateCommandStates();
}

QMdiSubWindow* CMainFrame::findWindow(input::DeviceRecord* device,
                                      input::ObjectRecord* object) const {
    for (ChildFrame* child : m_children) {
        if (windowMatches(child->key(), device, object)) {
            return child;
        }
    }
    return nullptr;
}

void CMainFrame::openWindow(input::DeviceRecord* device, input::ObjectRecord* object) {
    if (findWindow(device, object) != nullptr) {
        return;
    }
    const WindowKey key = windowFor(device, object);
    auto* child = new ChildFrame(key, [this](ChildFrame* closed) { childClosed(closed); });
    if (key.buffered()) {
        auto* view = new CBufferedInputView(std::make_unique<CInputDeviceDoc>(*device), *m_commands,
                                            m_prompts);
        connect(view, &CBufferedInputView::captureShown, m_commands, &Commands::showCaptureState);
        connect(view, &CBufferedInputView::commandsChanged, this, &CMainFrame::updateCommandStates);
        child->setWidget(view);
    } else {
        auto* view =
            new CAxisView(std::make_unique<CAxisDoc>(*device, *key.object), *m_commands, m_prompts);
        connect(view, &CAxisView::commandsChanged, this, &CMainFrame::updateCommandStates);
        child->setWidget(view);
    }
    child->setWindowTitle(child->widget()->windowTitle());
    child->setWindowIcon(child->widget()->windowIcon());
    m_children.push_back(child);
    m_mdi->addSubWindow(child);
    child->show();
}

void CMainFrame::closeWindow(input::DeviceRecord* device, input::ObjectRecord* object) {
    if (QMdiSubWindow* window = findWindow(device, object)) {
        window->close();
    }
}

void CMainFrame::childClosed(ChildFrame* child) {
    m_children.erase(std::remove(m_children.begin(), m_children.end(), child), m_children.end());
    if (m_destroying) {
        return;
    }
    if (CAxisView* axis = axisView(child)) {
        // Closing an axis window unwatches its object for good (until the
        // settings say otherwise), then the window set follows.
        axis->doc().closing();
        refreshWindowSet();
    }
    updateCommandStates();
}

std::vector<QMdiSubWindow*> CMainFrame::windows() const {
    return {m_children.begin(), m_children.end()};
}

CAxisView* CMainFrame::axisView(QMdiSubWindow* window) const {
    return window != nullptr ? qobject_cast<CAxisView*>(window->widget()) : nullptr;
}

CBufferedInputView* CMainFrame::bufferedView(QMdiSubWindow* window) const {
    return window != nullptr ? qobject_cast<CBufferedInputView*>(window->widget()) : nullptr;
}

void CMainFrame::reenumerate() {
    // Every window goes before the records it points into.
    for (const bool buffered : {false, true}) {
        const std::vector<ChildFrame*> open = m_children;
        for (ChildFrame* child : open) {
            const bool stillOpen =
                std::find(m_children.begin(), m_children.end(), child) != m_children.end();
            if (stillOpen && child->key().buffered() == buffered) {
                child->close();
            }
        }
    }
    m_manager->Teardown();
    m_manager->Enumerate();
    refreshWindowSet();
}

void CMainFrame::editDeviceSettings() {
    CDeviceSettingsDlg dialog(m_manager->devices(), this);
    if (m_prompts.runDialog(dialog) == QDialog::Accepted) {
        refreshWindowSet();
    }
}

void CMainFrame::showAbout() {
    CAboutDlg dialog(this);
    m_prompts.runDialog(dialog);
}

void CMainFrame::toggleAutoTile() {
    m_autoTile = !m_autoTile;
}

void CMainFrame::tileChildren() {
    std::vector<ChildFrame*> shown;
    for (ChildFrame* child : m_children) {
        if (!child->isMinimized()) {
            shown.push_back(child);
        }
    }
    const QSize area = m_mdi->viewport()->size();
    const std::vector<PixelRect> rects =
        tileHorizontally(static_cast<int>(shown.size()), area.width(), area.height());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i]->isMaximized()) {
            shown[i]->showNormal();
        }
        const PixelRect& r = rects[i];
        shown[i]->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

// ---------------------------------------------------------------- timers

void CMainFrame::refreshTick() {
    for (const auto& device : m_manager->devices()) {
        if (!device->takeChanged()) {
            continue;
        }
        for (ChildFrame* child : m_children) {
            if (child->key().device != device.get()) {
                continue;
            }
            if (CAxisView* view = axisView(child)) {
                view->showSnapshot(view->doc().snapshot());
            }
        }
    }
}

void CMainFrame::upkeepTick() {
    m_manager->Reacquire();
    m_manager->Resync();
    showLocks();
}

void CMainFrame::showLocks() {
    const LockState locks = readLockState();
    m_caps->setText(locks.caps ? "CAPS" : "");
    m_num->setText(locks.num ? "NUM" : "");
    m_scroll->setText(locks.scroll ? "SCRL" : "");
}

// ---------------------------------------------------------------- events

void CMainFrame::closeEvent(QCloseEvent* event) {
    saveWatchSettings(m_manager->devices(), m_store);
    if (!m_store.flush()) {
        m_prompts.message(this, "Inspecta", "The watch settings could not be saved.",
                          Prompts::Icon::Warning);
    }
    QMainWindow::closeEvent(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize && m_autoTile) {
        tileChildren();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------ command UI

ChildFrame* CMainFrame::current() const {
    // The current window, even while another program has the focus.
    const QMdiSubWindow* window = m_mdi->currentSubWindow();
    for (ChildFrame* child : m_children) {
        if (child == window) {
            return child;
        }
    }
    return nullptr;
}

CAxisView* CMainFrame::activeAxis() const {
    return axisView(current());
}

CBufferedInputView* CMainFrame::activeBuffered() const {
    return bufferedView(current());
}

void CMainFrame::updateCommandStates() {
    if (m_destroying) {
        return;
    }
    CAxisView* axis = activeAxis();
    CBufferedInputView* buffered = activeBuffered();
    const ActiveWindow kind = axis       ? ActiveWindow::Axis
                              : buffered ? ActiveWindow::Buffered
                                         : ActiveWindow::None;
    if (kind != m_menus) {
        m_commands->showMenus(*menuBar(), kind);
        m_menus = kind;
    }
    Commands& c = *m_commands;
    c.action(Command::AutoTile)->setChecked(m_autoTile);
    c.action(Command::StatusBar)->setChecked(statusBar()->isVisibleTo(this));
    for (Command command :
         {Command::DeadZone, Command::Saturation, Command::Calibration, Command::ViewRawData}) {
        c.action(command)->setEnabled(axis != nullptr);
    }
    c.action(Command::ViewRawData)->setChecked(axis != nullptr && axis->rawView());

    const BufferedCommands states = buffered ? buffered->commandStates() : BufferedCommands{};
    const std::pair<Command, CommandState> filters[] = {
        {Command::Buttons, states.buttons},
        {Command::Axes, states.axes},
        {Command::POVs, states.povs},
        {Command::EllapsedTime, states.elapsedTime}};
    for (const auto& [command, state] : filters) {
        c.action(command)->setEnabled(buffered != nullptr && state.enabled);
        c.action(command)->setChecked(buffered != nullptr && state.checked);
    }
    for (Command command : {Command::SaveToFile, Command::ClearAll, Command::Capture}) {
        c.action(command)->setEnabled(buffered != nullptr);
    }
    c.action(Command::Capture)
        ->setText(buffered ? QString::fromStdString(states.captureText) : "toggle\tCtrl+E");
    if (buffered != nullptr) {
        c.showCaptureState(buffered->events().capturing());
    }
    ChildFrame* active = current();
    setWindowTitle(active ? "Inspecta - " + active->windowTitle() : QString("Inspecta"));
}

} // namespace volmar::viewer
