// The main window's side of the device link: what it shows of the link, and
// the controls that start the link's work.
#include "volmar/app/Dialogs.h"
#include "volmar/app/HeaderGroup.h"
#include "volmar/app/ProgressPopup.h"
#include "volmar/app/TMForm.h"
#include "volmar/firmware/FirmwarePage.h"
#include "volmar/monitor/SensorHubPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace volmar::app {

void TMForm::showMessage(const std::string& text) {
    message(QString::fromStdString(text));
}

void TMForm::progressOpen(const std::string& caption) {
    m_progress = std::make_unique<TTrivex_status>(this, QString::fromStdString(caption));
}

void TMForm::progressStep(const std::string& text) {
    if (m_progress) {
        m_progress->step(QString::fromStdString(text));
    }
}

void TMForm::progressClose() {
    if (m_progress) {
        m_progress->finish();
        m_progress.reset();
    }
}

void TMForm::displayChanged(const device::DisplayState& display) {
    m_header->showDisplay(display);
    m_firmware->btnOpenBL()->setEnabled(display.btnOpenBL);
    m_firmware->btnResetCnf()->setEnabled(display.btnResetCnf);
}

void TMForm::deviceListChanged(const std::vector<std::string>& lines, int selected) {
    std::vector<std::string> problems;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        problems.push_back(m_link->lineProblem(static_cast<int>(i)));
    }
    m_header->showDeviceList(lines, problems, selected);
}

void TMForm::deviceChangeHandled() {
    m_header->controls().joy_usbpps->clear();
    // The program's own change: it joins the current undo step.
    m_editor.programEdit("dev_poll", 1);
}

void TMForm::configurationLoaded() {
    m_editor.touch();
}

void TMForm::hubTypesLoaded(const std::array<std::uint8_t, protocol::kHubSlaves>&) {
    m_editor.touch();
}

void TMForm::hubRawReply(const protocol::HubRawReply& reply) {
    m_hub->showHubRawReply(reply);
}

void TMForm::registerReply(const protocol::RegisterReply& reply) {
    m_hub->showRegisterReply(reply);
}

void TMForm::exchangeFinished(device::Operation op, device::Outcome outcome) {
    emit linkExchangeFinished(op, outcome);
    if (op == device::Operation::Write) {
        offerWriteAgain();
    }
}

void TMForm::lstHID_DeviceListClick(int index) {
    m_link->lstHID_DeviceListClick(index);
    // The click ends with validation.
    m_editor.touch();
}

void TMForm::btn_clr_dev_listClick() {
    m_link->btn_clr_dev_listClick();
}

void TMForm::btnRead_MKClick() {
    m_link->readConfiguration();
}

void TMForm::btnWrite_MKClick() {
    if (m_link->writeConfiguration()) {
        // The status tells about this write from now on.
        m_writeStatus->clear();
        m_lastCheck.reset();
        m_keptBackup.clear();
    }
    // Validation before the write may have repaired fields.
    m_editor.touch();
}

void TMForm::btnRestartClick() {
    m_link->restart();
}

void TMForm::btnResetCnfClick() {
    m_link->clearConfiguration();
}

// "Start bootloader": the controller leaves the bus; its port (Caterina)
// or its DFU device shows up for the upload.
void TMForm::btnOpenBLClick() {
    m_link->startBootloader();
}

} // namespace volmar::app
