#include "volmar/app/WiringWindow.h"

#include "volmar/core/Wiring.h"
#include "volmar/editor/ConfigEditor.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace volmar::app {

namespace {

constexpr int kControlRole = Qt::UserRole;
constexpr int kGridRowRole = Qt::UserRole + 1;

} // namespace

QString wiringCountText(int count) {
    return count == 0 ? QObject::tr("No wiring warnings")
                      : QObject::tr("Wiring warnings: %1").arg(count);
}

WiringWindow::WiringWindow(editor::ConfigEditor& editor, QWidget* parent)
    : QDialog(parent), m_editor(editor) {
    setObjectName("WiringWindow");
    setWindowTitle(tr("Wiring warnings"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setObjectName("lblWiringSummary");
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_list = new QListWidget(this);
    m_list->setObjectName("lstWiringWarnings");
    m_list->setAccessibleName(tr("Wiring warnings"));
    m_list->setWordWrap(true);
    m_summary->setBuddy(m_list);
    layout->addWidget(m_list, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName("btnWiringClose");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString control = item->data(kControlRole).toString();
        if (!control.isEmpty()) {
            emit goTo(control, item->data(kGridRowRole).toInt());
        }
    });
    connect(&m_editor, &editor::ConfigEditor::changed, this, [this] { refresh(m_editor.state()); });
    resize(560, 300);
    refresh(m_editor.state());
}

void WiringWindow::refresh(const ConfigState& state) {
    const std::vector<WiringWarning> warnings = wiringWarnings(state);
    const int row = m_list->currentRow();
    m_list->clear();
    for (const WiringWarning& w : warnings) {
        auto* item = new QListWidgetItem(QString::fromStdString(w.text), m_list);
        if (!w.controls.empty()) {
            item->setData(kControlRole, QString::fromStdString(w.controls.front()));
        }
        item->setData(kGridRowRole, w.gridRow);
    }
    const int count = static_cast<int>(warnings.size());
    m_summary->setText(count == 0 ? wiringCountText(0)
                                  : tr("%1. They do not stop a write; Enter on one shows its "
                                       "control.")
                                        .arg(wiringCountText(count)));
    if (count > 0) {
        m_list->setCurrentRow(std::clamp(row, 0, count - 1));
    }
}

} // namespace volmar::app
