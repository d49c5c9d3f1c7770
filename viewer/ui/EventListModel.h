#pragma once

// The rows of an event list as a four-column table for the list view. The
// rows live in the EventList; the model publishes them to the view as they
// are added, so that the view never sees a row it has not been told of.

#include "volmar/viewer/EventList.h"

#include <QAbstractTableModel>

namespace volmar::viewer {

class EventListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 4;
    static const char* const kCaptions[kColumns]; // "Event", "Value", "Delta (ms)", "Rate (Hz)"

    explicit EventListModel(const EventList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // After the list changed: rows added at its end, or the list started over.
    void publishAppended();
    void publishReset();

private:
    const EventList& m_list;
    int m_shown = 0;
};

} // namespace volmar::viewer
