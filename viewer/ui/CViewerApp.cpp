#include "CViewerApp.h"

#include "Art.h"

#include <QApplication>

namespace volmar::viewer {

CViewerApp::CViewerApp(Prompts& prompts, input::CDeviceManager::ApiFactory factory,
                       const QString& settingsPath)
    : m_prompts(prompts), m_factory(std::move(factory)), m_store(settingsPath) {}

CViewerApp::~CViewerApp() = default;

bool CViewerApp::initInstance() {
    QApplication::setApplicationName("Inspecta");
    QApplication::setWindowIcon(programIcon());
    m_frame = std::make_unique<CMainFrame>(m_prompts, m_store, m_factory);
    m_frame->resize(960, 680);
    m_frame->create();
    m_frame->show();
    m_frame->refreshWindowSet();
    return true;
}

} // namespace volmar::viewer
