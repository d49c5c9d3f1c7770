#pragma once

// A Buffered window: one device's input events, row by row, with the time
// since the previous report and the running report rate; below the list the
// device's report intervals over the last second. A 10 ms ticker drains the
// device's event queue through the document.

#include "CTickerWnd.h"
#include "EventListModel.h"
#include "volmar/viewer/CInputDeviceDoc.h"
#include "volmar/viewer/EventList.h"

#include <QWidget>

#include <memory>

class QLabel;
class QTreeView;

namespace volmar::viewer {

class Commands;
class Prompts;

class CBufferedInputView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;
    static constexpr std::uint32_t kTickerId = 0xDEADABBA;

    CBufferedInputView(std::unique_ptr<CInputDeviceDoc> doc, Commands& commands, Prompts& prompts,
                       QWidget* parent = nullptr);
    ~CBufferedInputView() override;

    CInputDeviceDoc& doc() const { return *m_doc; }
    const EventList& events() const { return m_list; }
    QTreeView* list() const { return m_view; }
    const EventListModel& model() const { return m_model; }

    // One drain of the queue (what the ticker calls every 10 ms).
    void tick();

    // Commands.
    void clearAll();
    void toggleButtons() { toggle(&EventList::toggleButtons); }
    void toggleAxes() { toggle(&EventList::toggleAxes); }
    void togglePovs() { toggle(&EventList::togglePovs); }
    void toggleElapsedTime() { toggle(&EventList::toggleElapsedTime); }
    void toggleCapture();
    void saveToFile();

    BufferedCommands commandStates() const { return m_list.commands(m_doc->deviceClass()); }

signals:
    // The Capture button's image must follow (toggle, focus).
    void captureShown(bool capturing);
    // Enable and check states of the window's commands changed.
    void commandsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void toggle(void (EventList::*flag)());
    void showIntervals();
    void fitColumns(int width);

    std::unique_ptr<CInputDeviceDoc> m_doc;
    Commands& m_commands;
    Prompts& m_prompts;
    EventList m_list;
    EventListModel m_model;
    QTreeView* m_view = nullptr;
    QLabel* m_intervals = nullptr;
    std::string m_intervalsText;
    CTickerWnd m_ticker;
};

} // namespace volmar::viewer
