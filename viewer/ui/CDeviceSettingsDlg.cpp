#include "CDeviceSettingsDlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace volmar::viewer {

namespace {

constexpr int kDeviceRole = Qt::UserRole;
constexpr int kChildRole = Qt::UserRole + 1;

} // namespace

CDeviceSettingsDlg::CDeviceSettingsDlg(const Devices& devices, QWidget* parent)
    : QDialog(parent), m_model(devices) {
    setObjectName("CDeviceSettingsDlg");
    setWindowTitle("Edit Device Settings");
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("Watch Fields", this);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("tree1000");
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setMinimumSize(320, 280);
    label->setBuddy(m_tree);
    m_tree->setAccessibleName("Watch Fields");
    layout->addWidget(label);
    layout->addWidget(m_tree, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    const auto& items = m_model.devices();
    for (std::size_t d = 0; d < items.size(); ++d) {
        auto* deviceItem = new QTreeWidgetItem(m_tree, {QString::fromStdString(items[d].text)});
        deviceItem->setData(0, kDeviceRole, static_cast<int>(d));
        deviceItem->setData(0, kChildRole, -1);
        deviceItem->setFlags(deviceItem->flags() | Qt::ItemIsUserCheckable);
        for (std::size_t c = 0; c < items[d].children.size(); ++c) {
            auto* childItem = new QTreeWidgetItem(
                deviceItem, {QString::fromStdString(items[d].children[c].text)});
            childItem->setData(0, kDeviceRole, static_cast<int>(d));
            childItem->setData(0, kChildRole, static_cast<int>(c));
            childItem->setFlags(childItem->flags() | Qt::ItemIsUserCheckable);
        }
    }
    showModel();
    m_tree->expandAll();
    connect(m_tree, &QTreeWidget::itemChanged, this, &CDeviceSettingsDlg::itemChanged);
}

void CDeviceSettingsDlg::showModel() {
    m_showing = true;
    const auto& items = m_model.devices();
    for (int d = 0; d < m_tree->topLevelItemCount(); ++d) {
        QTreeWidgetItem* deviceItem = m_tree->topLevelItem(d);
        const WatchDevice& device = items[static_cast<std::size_t>(d)];
        deviceItem->setCheckState(0, device.checked ? Qt::Checked : Qt::Unchecked);
        for (int c = 0; c < deviceItem->childCount(); ++c) {
            deviceItem->child(c)->setCheckState(
                0,
                device.children[static_cast<std::size_t>(c)].checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    m_showing = false;
}

void CDeviceSettingsDlg::itemChanged(QTreeWidgetItem* item, int column) {
    if (m_showing || column != 0) {
        return;
    }
    // The tree has flipped the box already; the rules take its new state.
    const auto d = static_cast<std::size_t>(item->data(0, kDeviceRole).toInt());
    const int child = item->data(0, kChildRole).toInt();
    const bool checked = item->checkState(0) == Qt::Checked;
    if (child < 0) {
        m_model.setDevice(d, checked);
    } else {
        m_model.setChild(d, static_cast<std::size_t>(child), checked);
    }
    showModel();
}

void CDeviceSettingsDlg::accept() {
    m_model.apply();
    QDialog::accept();
}

} // namespace volmar::viewer
