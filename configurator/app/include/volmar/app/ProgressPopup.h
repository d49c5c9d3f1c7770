#pragma once

// The progress popup of a configuration read or write: a borderless window
// on top of the main window, centred on it, 526 x 89 pixels, with the label
// `txt` and the bar `bar` (1..32). It blocks input to the main window while
// it is up; the event loop keeps running, since the transfer is a series of
// timed steps.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace volmar::app {

class TTrivex_status : public QWidget {
    Q_OBJECT
public:
    // Opens over `mainWindow` with its caption; `text` is the caption of the
    // button that started the transfer.
    TTrivex_status(QWidget* mainWindow, const QString& text);

    // Before each block: the bar one further, the new text.
    void step(const QString& text);
    // At the end: the bar one further (the caller then destroys the popup).
    void finish();

    static constexpr int kWidth = 526;
    static constexpr int kHeight = 89;

private:
    void advance();

    QLabel* m_txt;
    QProgressBar* m_bar;
};

} // namespace volmar::app
