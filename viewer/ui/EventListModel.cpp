#include "EventListModel.h"

namespace volmar::viewer {

const char* const EventListModel::kCaptions[kColumns] = {"Event", "Value", "Delta (ms)",
                                                         "Rate (Hz)"};

EventListModel::EventListModel(const EventList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_shown(static_cast<int>(list.rows().size())) {}

int EventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int EventListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shown ||
        static_cast<std::size_t>(index.row()) >= m_list.rows().size()) {
        return {};
    }
    const EventRow& row = m_list.rows()[static_cast<std::size_t>(index.row())];
    const std::string* cells[kColumns] = {&row.event, &row.value, &row.delta, &row.rate};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleDescriptionRole:
        return QString::fromStdString(*cells[index.column()]);
    case Qt::AccessibleTextRole:
        // Cells are named by column and row for assistive technology.
        return QStringLiteral("%1 %2")
            .arg(QLatin1String(kCaptions[index.column()]))
            .arg(index.row() + 1);
    default:
        return {};
    }
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns) {
        return QString::fromLatin1(kCaptions[section]);
    }
    return {};
}

void EventListModel::publishAppended() {
    const int size = static_cast<int>(m_list.rows().size());
    if (size <= m_shown) {
        return;
    }
    beginInsertRows({}, m_shown, size - 1);
    m_shown = size;
    endInsertRows();
}

void EventListModel::publishReset() {
    beginResetModel();
    m_shown = static_cast<int>(m_list.rows().size());
    endResetModel();
}

} // namespace volmar::viewer
