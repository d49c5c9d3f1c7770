#pragma once

// Turns timer events into calls of a callback: the 10 ms drain of a Buffered
// window. Owned by the window it serves; stops with it.

#include <QObject>

#include <cstdint>
#include <functional>

namespace volmar::viewer {

class CTickerWnd : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(std::uint32_t identifier)>;

    explicit CTickerWnd(QObject* owner) : QObject(owner) {}
    ~CTickerWnd() override { stop(); }

    void setCallback(Callback callback) { m_callback = std::move(callback); }
    void setInterval(int milliseconds) { m_interval = milliseconds; }
    // Starts (or restarts) the timer; nothing happens while the interval is 0.
    void start(std::uint32_t identifier);
    void stop();
    bool running() const { return m_timer != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int m_timer = 0;
    std::uint32_t m_identifier = 0;
    int m_interval = 0;
    Callback m_callback;
};

} // namespace volmar::viewer
