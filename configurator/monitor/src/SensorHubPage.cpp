#include "volmar/monitor/SensorHubPage.h"

#include "volmar/core/Editing.h"
#include "volmar/core/NumberConversion.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/editor/ConfigEditor.h"
#include "volmar/editor/KeyFilterEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace volmar::monitor {

namespace {

std::uint8_t byteOf(const QLineEdit* edit) {
    return protocol::frameByte(edit->text().toStdString());
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

} // namespace

SensorHubPage::SensorHubPage(editor::ConfigEditor& editor, device::DeviceLink& link,
                             QWidget* parent)
    : ConfigPage(editor, parent), m_link(link) {
    setObjectName("TabSLV");
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(buildHub());
    left->addWidget(buildRawTransfer());
    left->addStretch(1);
    layout->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(buildRegisterTool());
    right->addStretch(1);
    layout->addLayout(right);
    layout->addStretch(1);
}

QLineEdit* SensorHubPage::numberEdit(QWidget* parent, const QString& name, const QString& text,
                                     const QString& accessible) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setAccessibleName(accessible);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("vltw_adr_out") + 12);
    if (const KeyFilter filter = keyFilterFor(name.toStdString()); filter != KeyFilter::None) {
        editor::KeyFilterEdit::install(edit, filter, editor());
    }
    return edit;
}

QWidget* SensorHubPage::buildHub() {
    auto* group = new QGroupBox(QStringLiteral("TLE5011-HUB"), this);
    group->setObjectName("GrpSlaveHub");
    auto* grid = new QGridLayout(group);
    QWidget* port = binder().create("slv_port", {}, group);
    grid->addWidget(texts().label(port, "lbl_slv_port"), 0, 0);
    grid->addWidget(port, 0, 1);
    auto* check = button(group, "slv_check", QStringLiteral("slv_check"));
    grid->addWidget(check, 0, 2);
    auto* load = button(group, "slv_cnfg_load", {});
    texts().caption(load);
    grid->addWidget(load, 1, 2);
    for (int n = 1; n <= kHubTypes; ++n) {
        const QString caption = QStringLiteral("TLE5011 #%1").arg(n);
        QWidget* type = binder().create("slv_type" + std::to_string(n), caption, group);
        grid->addWidget(labelFor(caption, type), n, 0);
        grid->addWidget(type, n, 1);
    }
    QWidget* count = binder().create("slv_cnfg", {}, group);
    count->setEnabled(false);
    grid->addWidget(texts().label(count, "lbl_slv_cnfg"), kHubTypes + 1, 0);
    grid->addWidget(count, kHubTypes + 1, 1);
    auto* save = button(group, "slv_cnfg_save", {});
    texts().caption(save);
    grid->addWidget(save, kHubTypes + 1, 2);

    connect(check, &QPushButton::clicked, this, [this] { m_link.hubCheck(); });
    connect(load, &QPushButton::clicked, this, [this] { m_link.hubLoad(); });
    connect(save, &QPushButton::clicked, this, [this] { m_link.hubSave(); });
    return group;
}

QWidget* SensorHubPage::buildRawTransfer() {
    auto* box = new QWidget(this);
    box->setObjectName("GrpSlaveRaw");
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_sofType = new QComboBox(box);
    m_sofType->setObjectName("slv_sof_t");
    m_sofType->addItems({QStringLiteral("read"), QStringLiteral("write")});
    m_sofType->setAccessibleName(QStringLiteral("Session typ"));
    // Bound to the axis rules like the configuration's lists.
    connect(m_sofType, &QComboBox::currentIndexChanged, &editor(),
            &editor::ConfigEditor::axisRules);
    m_sofAddress = numberEdit(box, "slv_sof_a", "0", QStringLiteral("Session adr"));
    m_sof = numberEdit(box, "slv_sof", "0", tr("Start byte"));
    m_dataLength = numberEdit(box, "slv_data_len", "0", QStringLiteral("Session len"));
    const std::pair<QWidget*, const char*> labelled[] = {
        {m_sofType, "Session typ"}, {m_sofAddress, "Session adr"}, {m_dataLength, "Session len"}};
    int col = 0;
    for (const auto& [control, caption] : labelled) {
        QLabel* label = labelFor(caption, control);
        label->setVisible(false);
        grid->addWidget(label, 0, col);
        grid->addWidget(control, 1, col++);
    }
    grid->addWidget(m_sof, 1, col);
    for (int i = 0; i < protocol::kHubDataBytes; ++i) {
        const QString n = QString::number(i + 1);
        m_dataIn[i] = numberEdit(box, "slv_data" + n, "0", tr("Send byte %1").arg(n));
        m_dataOut[i] = numberEdit(box, "slv_data" + n + "_out", "0", tr("Received byte %1").arg(n));
        grid->addWidget(m_dataIn[i], 2, i);
        grid->addWidget(m_dataOut[i], 3, i);
    }
    auto* write = button(box, "BtnSlaveWrite", QStringLiteral("BtnSlaveWrite"));
    auto* reset = button(box, "BtnSlaveRst", QStringLiteral("BtnSlaveRst"));
    grid->addWidget(write, 4, 0);
    grid->addWidget(reset, 4, 1);
    connect(write, &QPushButton::clicked, this, &SensorHubPage::BtnSlaveWriteClick);
    connect(reset, &QPushButton::clicked, this, &SensorHubPage::BtnSlaveRstClick);
    // Each of these controls is invisible on its own, not only with its page.
    for (QWidget* control : std::initializer_list<QWidget*>{m_sofType, m_sofAddress, m_sof,
                                                            m_dataLength, write, reset}) {
        control->setVisible(false);
    }
    for (int i = 0; i < protocol::kHubDataBytes; ++i) {
        m_dataIn[i]->setVisible(false);
        m_dataOut[i]->setVisible(false);
    }
    return box;
}

QWidget* SensorHubPage::buildRegisterTool() {
    auto* group = new QGroupBox(tr("Bus register"), this);
    group->setObjectName("GrpRegister");
    auto* grid = new QGridLayout(group);
    m_regAddress = numberEdit(group, "vltw_adr", "vltw_adr", tr("Register address"));
    m_regLow = numberEdit(group, "vltw_low", "vltw_low", tr("Low byte"));
    m_regHigh = numberEdit(group, "vltw_hgh", "vltw_hgh", tr("High byte"));
    m_regAddressOut =
        numberEdit(group, "vltw_adr_out", "vltw_adr_out", tr("Register address read"));
    m_regLowOut = numberEdit(group, "vltw_low_out", "vltw_low", tr("Low byte read"));
    m_regHighOut = numberEdit(group, "vltw_hgh_out", "vltw_hgh", tr("High byte read"));
    m_regOut = numberEdit(group, "vltw_reg_out", "vltw_reg_out", tr("Register read"));
    int col = 0;
    for (QWidget* sent : {m_regAddress, m_regLow, m_regHigh}) {
        grid->addWidget(sent, 0, col++);
    }
    col = 0;
    for (QWidget* read : {m_regAddressOut, m_regLowOut, m_regHighOut, m_regOut}) {
        grid->addWidget(read, 1, col++);
    }
    auto* get = button(group, "vltw_get", QStringLiteral("vltw_get (25)"));
    auto* getFixed = button(group, "vltw_get_f", QStringLiteral("vltw_get_f (24)"));
    auto* set = button(group, "vltw_set", QStringLiteral("vltw_set (26)"));
    auto* clear = button(group, "vltw_clr", QStringLiteral("vltw_clr"));
    grid->addWidget(get, 2, 0);
    grid->addWidget(getFixed, 2, 1);
    grid->addWidget(set, 2, 2);
    grid->addWidget(clear, 2, 3);
    connect(get, &QPushButton::clicked, this, &SensorHubPage::vltw_getClick);
    connect(getFixed, &QPushButton::clicked, this, [this] { m_link.registerReadFixed(); });
    connect(set, &QPushButton::clicked, this, &SensorHubPage::vltw_setClick);
    connect(clear, &QPushButton::clicked, this, &SensorHubPage::vltw_clrClick);
    return group;
}

void SensorHubPage::BtnSlaveWriteClick() {
    const std::uint8_t start = protocol::hubRawStartByte(
        strToIntDef(m_sofAddress->text().toStdString()), m_sofType->currentIndex() == 1);
    m_sof->setText(QString::number(start));
    device::HubRawRequest request;
    request.length = byteOf(m_dataLength);
    request.start = start;
    for (std::size_t i = 0; i < request.data.size(); ++i) {
        request.data[i] = byteOf(m_dataIn[i]);
    }
    m_link.hubRawTransfer(request);
}

void SensorHubPage::BtnSlaveRstClick() {
    for (std::size_t i = 0; i < m_dataIn.size(); ++i) {
        m_dataIn[i]->clear();
        m_dataOut[i]->clear();
    }
}

void SensorHubPage::showHubRawReply(const protocol::HubRawReply& reply) {
    m_sof->setText(QString::number(reply.start));
    for (std::size_t i = 0; i < m_dataOut.size(); ++i) {
        m_dataOut[i]->setText(QString::number(reply.data[i]));
    }
}

void SensorHubPage::vltw_getClick() {
    m_link.registerRead(byteOf(m_regAddress));
}

void SensorHubPage::vltw_setClick() {
    m_link.registerWrite(byteOf(m_regAddress), byteOf(m_regLow), byteOf(m_regHigh));
}

void SensorHubPage::vltw_clrClick() {
    // The two address fields keep their text.
    for (QLineEdit* edit : {m_regLow, m_regHigh, m_regLowOut, m_regHighOut, m_regOut}) {
        edit->clear();
    }
}

void SensorHubPage::showRegisterReply(const protocol::RegisterReply& reply) {
    m_regAddressOut->setText(QString::number(reply.address));
    m_regLowOut->setText(QString::number(reply.low));
    m_regHighOut->setText(QString::number(reply.high));
    m_regOut->setText(QString::number(reply.reg));
}

} // namespace volmar::monitor
