#include "CTickerWnd.h"

#include <QTimerEvent>

namespace volmar::viewer {

void CTickerWnd::start(std::uint32_t identifier) {
    if (m_interval == 0) {
        return;
    }
    stop();
    m_identifier = identifier;
    m_timer = startTimer(m_interval, Qt::PreciseTimer);
}

void CTickerWnd::stop() {
    if (m_timer != 0) {
        killTimer(m_timer);
        m_timer = 0;
    }
}

void CTickerWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer && m_callback) {
        m_callback(m_identifier);
        return;
    }
    QObject::timerEvent(event);
}

} // namespace volmar::viewer
