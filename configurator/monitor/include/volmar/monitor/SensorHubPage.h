#pragma once

// The sensor hub page TabSLV: the hub's port, identity check, the four
// slave types with loading and saving, the raw bus transfer (whose controls
// stay invisible) and the bus-register tool. Every button runs one exchange
// of the device link; the link's replies come back through show...Reply().
// The page's tab is kept out of the tab row.

#include "volmar/core/Protocol.h"
#include "volmar/editor/ConfigPage.h"

#include <array>

class QComboBox;
class QLineEdit;

namespace volmar::device {
class DeviceLink;
}

namespace volmar::monitor {

class SensorHubPage : public editor::ConfigPage {
    Q_OBJECT
public:
    SensorHubPage(editor::ConfigEditor& editor, device::DeviceLink& link,
                  QWidget* parent = nullptr);

    // The reply of a raw transfer: the start byte and the eight data bytes.
    void showHubRawReply(const protocol::HubRawReply& reply);
    // The reply of a register read or write: address, low, high, register.
    void showRegisterReply(const protocol::RegisterReply& reply);

private:
    QWidget* buildHub();
    QWidget* buildRawTransfer();
    QWidget* buildRegisterTool();
    QLineEdit* numberEdit(QWidget* parent, const QString& name, const QString& text,
                          const QString& accessible);

    // Button handlers.
    void BtnSlaveWriteClick();
    void BtnSlaveRstClick();
    void vltw_getClick();
    void vltw_setClick();
    void vltw_clrClick();

    device::DeviceLink& m_link;
    QComboBox* m_sofType = nullptr; // slv_sof_t
    QLineEdit* m_sofAddress = nullptr;
    QLineEdit* m_sof = nullptr;
    QLineEdit* m_dataLength = nullptr;
    std::array<QLineEdit*, protocol::kHubDataBytes> m_dataIn{};
    std::array<QLineEdit*, protocol::kHubDataBytes> m_dataOut{};
    QLineEdit* m_regAddress = nullptr;
    QLineEdit* m_regLow = nullptr;
    QLineEdit* m_regHigh = nullptr;
    QLineEdit* m_regAddressOut = nullptr;
    QLineEdit* m_regLowOut = nullptr;
    QLineEdit* m_regHighOut = nullptr;
    QLineEdit* m_regOut = nullptr;
};

} // namespace volmar::monitor
