#pragma once

// "Edit Device Settings": which devices and objects are watched, as a tree
// of check boxes. The tree only shows the WatchTree and forwards clicks to
// it; OK writes the choices into the device table.

#include "volmar/viewer/WatchTree.h"

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;

namespace volmar::viewer {

class CDeviceSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDeviceSettingsDlg(const Devices& devices, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return m_tree; }
    const WatchTree& watchTree() const { return m_model; }
    void accept() override;

private:
    void itemChanged(QTreeWidgetItem* item, int column);
    void showModel();

    WatchTree m_model;
    QTreeWidget* m_tree = nullptr;
    bool m_showing = false;
};

} // namespace volmar::viewer
