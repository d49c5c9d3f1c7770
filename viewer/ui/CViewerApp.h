#pragma once

// The viewer program: its watch settings file, the main window and the
// start-up that opens the watched windows.

#include "CMainFrame.h"
#include "IniWatchStore.h"

#include <memory>

namespace volmar::viewer {

class Prompts;

class CViewerApp {
public:
    explicit CViewerApp(Prompts& prompts, input::CDeviceManager::ApiFactory factory = {},
                        const QString& settingsPath = IniWatchStore::defaultPath());
    ~CViewerApp();

    // Creates and shows the main window and opens the watched windows.
    bool initInstance();
    CMainFrame* mainFrame() const { return m_frame.get(); }
    IniWatchStore& store() { return m_store; }

private:
    Prompts& m_prompts;
    input::CDeviceManager::ApiFactory m_factory;
    IniWatchStore m_store;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace volmar::viewer
