#include "CAboutDlg.h"

#include "Art.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace volmar::viewer {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CAboutDlg");
    setWindowTitle("About Inspecta");
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(32, 32));
    icon->setAccessibleName("Inspecta");
    auto* version = new QLabel(this);
    version->setObjectName("version");
    version->setText(kVersionLine);
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(version, 1);
    layout->addLayout(row);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
}

} // namespace volmar::viewer
