#include "volmar/app/ProgressPopup.h"

#include <QLabel>
#include <QProgressBar>

namespace volmar::app {

TTrivex_status::TTrivex_status(QWidget* mainWindow, const QString& text)
    : QWidget(mainWindow, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("Trivex_status");
    setWindowTitle(mainWindow->windowTitle());
    setWindowModality(Qt::WindowModal);
    setFixedSize(kWidth, kHeight);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(this->font().pointSize());
    setFont(font);
    // The fixed geometry the popup has always had.
    m_txt = new QLabel(text, this);
    m_txt->setObjectName("txt");
    m_txt->setGeometry(8, 8, kWidth - 16, 33);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("bar");
    m_bar->setGeometry(8, 48, 513, 33);
    m_bar->setRange(1, 32);
    m_bar->setValue(1);
    m_bar->setAccessibleName(text);
    move(mainWindow->frameGeometry().center() - rect().center());
    show();
}

void TTrivex_status::advance() {
    m_bar->setValue(m_bar->value() + 1);
}

void TTrivex_status::step(const QString& text) {
    advance();
    m_txt->setText(text);
    m_bar->setAccessibleName(text);
}

void TTrivex_status::finish() {
    advance();
}

} // namespace volmar::app
