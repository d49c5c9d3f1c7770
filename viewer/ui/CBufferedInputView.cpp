#include "CBufferedInputView.h"

#include "Art.h"
#include "Commands.h"
#include "Prompts.h"

#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSaveFile>
#include <QTreeView>
#include <QVBoxLayout>

namespace volmar::viewer {

CBufferedInputView::CBufferedInputView(std::unique_ptr<CInputDeviceDoc> doc, Commands& commands,
                                       Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_doc(std::move(doc)), m_commands(commands), m_prompts(prompts),
      m_model(m_list), m_ticker(this) {
    setObjectName("CBufferedInputView");
    const QString title = QString::fromStdString(m_doc->title());
    setWindowTitle(title);
    setWindowIcon(toolbarIcon(kImageBufferedWindow));

    m_view = new QTreeView(this);
    m_view->setObjectName("list");
    m_view->setAccessibleName(title);
    m_view->setModel(&m_model);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setSortingEnabled(false);
    m_view->setAllColumnsShowFocus(true);
    m_view->header()->setStretchLastSection(false);
    m_view->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = m_commands.bufferedContextMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_view->viewport()->mapToGlobal(at));
    });
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);

    m_intervals = new QLabel(this);
    m_intervals->setObjectName("reportIntervals");
    m_intervals->setAccessibleName("Report intervals");
    m_intervals->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(2);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_intervals);
    setFocusProxy(m_view);
    showIntervals();

    m_ticker.setCallback([this](std::uint32_t) { tick(); });
    m_ticker.setInterval(kTickMs);
    m_ticker.start(kTickerId);
}

CBufferedInputView::~CBufferedInputView() {
    m_ticker.stop();
}

void CBufferedInputView::tick() {
    if (!m_list.draining()) {
        return;
    }
    const std::size_t before = m_list.rows().size();
    const CInputDeviceDoc::Drained drained = m_doc->drainInto(m_list);
    if (drained.items == 0) {
        return;
    }
    if (drained.cleared) {
        m_model.publishReset();
    } else {
        m_model.publishAppended();
    }
    if (drained.cleared || m_list.rows().size() != before) {
        m_view->scrollToBottom();
    }
    showIntervals();
}

void CBufferedInputView::showIntervals() {
    std::string text = ReportIntervals::text(m_list.intervals().figures());
    if (text != m_intervalsText) {
        m_intervalsText = std::move(text);
        m_intervals->setText(QString::fromStdString(m_intervalsText));
    }
}

void CBufferedInputView::clearAll() {
    m_list.clearAll();
    m_model.publishReset();
    showIntervals();
}

void CBufferedInputView::toggle(void (EventList::*flag)()) {
    (m_list.*flag)();
    emit commandsChanged();
}

void CBufferedInputView::toggleCapture() {
    const bool on = m_list.toggleCapture();
    emit captureShown(on);
    if (on) {
        // What came while capture was off is dropped, not listed late.
        m_doc->dropBacklog();
        showIntervals();
    }
    emit commandsChanged();
}

void CBufferedInputView::saveToFile() {
    // The list holds still while it is written: the ticker skips its drains.
    m_list.setSaving(true);
    QString proposed = QString::fromStdString(m_doc->productName()) + "_Buffered.txt";
    // A product name is no path: a slash in it must not point into a folder.
    proposed.replace('/', '_');
    const QString name = m_prompts.saveFileName(
        this, {proposed, QStringLiteral("Text Files (*.txt);;All Files (*.*)"), "txt"});
    if (!name.isEmpty()) {
        const std::string text = m_list.fileText();
        // The list replaces a file, never a folder, device or pipe of that name.
        const QFileInfo target(name);
        QSaveFile file(name);
        file.setDirectWriteFallback(true);
        const bool written = (!target.exists() || target.isFile()) &&
                             file.open(QIODevice::WriteOnly) &&
                             file.write(text.data(), static_cast<qint64>(text.size())) ==
                                 static_cast<qint64>(text.size()) &&
                             file.commit();
        if (!written) {
            m_prompts.message(this, "ERROR", "Could not create file", Prompts::Icon::Stop);
        }
    }
    m_list.setSaving(false);
}

void CBufferedInputView::fitColumns(int width) {
    for (int i = 0; i < EventListModel::kColumns; ++i) {
        m_view->setColumnWidth(i, width / EventListModel::kColumns);
    }
}

bool CBufferedInputView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view->viewport() && event->type() == QEvent::Resize) {
        fitColumns(m_view->viewport()->width());
    } else if (watched == m_view && event->type() == QEvent::FocusIn) {
        emit captureShown(m_list.capturing());
    }
    return QWidget::eventFilter(watched, event);
}

void CBufferedInputView::closeEvent(QCloseEvent* event) {
    // A closed window waits for its deletion: it must not drain meanwhile,
    // the device it reads may be gone by then.
    m_ticker.stop();
    QWidget::closeEvent(event);
}

void CBufferedInputView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    emit captureShown(m_list.capturing());
}

} // namespace volmar::viewer
