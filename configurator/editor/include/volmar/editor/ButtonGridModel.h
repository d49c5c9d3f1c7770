#pragma once

// The button grid's cells as a table model over the configuration: model
// row r is grid row r + 1 (row 0, the headings, is the view's header), model
// column c is grid column c. Every text comes from the core's row texts;
// column 0 (the outputs' names) cannot be selected.

#include "volmar/core/ConfigState.h"

#include <QAbstractTableModel>

namespace volmar {
struct TRecordLng;
}

namespace volmar::editor {

class ButtonGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ButtonGridModel(const ConfigState& state, const TRecordLng& lng, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell's text. Accessible text: "<column caption> <grid row>";
    // accessible description: the cell's text.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The configuration changed: every cell shows it again.
    void refresh();
    // The record changed: headings and every cell show its texts.
    void retranslate();

    static int gridRow(const QModelIndex& index) { return index.row() + 1; }
    QModelIndex cell(int col, int gridRow) const { return index(gridRow - 1, col); }

private:
    const ConfigState& m_state;
    const TRecordLng& m_lng;
};

} // namespace volmar::editor
