#include "volmar/editor/ButtonGridModel.h"

#include "volmar/core/ButtonMap.h"

#include <QApplication>
#include <QPalette>

namespace volmar::editor {

ButtonGridModel::ButtonGridModel(const ConfigState& state, const TRecordLng& lng, QObject* parent)
    : QAbstractTableModel(parent), m_state(state), m_lng(lng) {}

int ButtonGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridRows - 1;
}

int ButtonGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumns;
}

QVariant ButtonGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = gridRow(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleDescriptionRole:
        return QString::fromStdString(gridCellText(m_state, index.column(), row, m_lng));
    case Qt::AccessibleTextRole:
        return QString::fromStdString(gridHeading(index.column(), m_lng)) + " " +
               QString::number(row);
    case Qt::BackgroundRole:
        // The names are a fixed heading column.
        if (index.column() == 0) {
            return QApplication::palette().button();
        }
        return {};
    default:
        return {};
    }
}

QVariant ButtonGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromStdString(gridHeading(section, m_lng));
}

Qt::ItemFlags ButtonGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (index.column() == 0) {
        return Qt::ItemIsEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ButtonGridModel::retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void ButtonGridModel::refresh() {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                     {Qt::DisplayRole, Qt::AccessibleDescriptionRole});
}

} // namespace volmar::editor
