#include "volmar/app/HeaderGroup.h"

#include "volmar/app/ConnectionPicture.h"
#include "volmar/app/WiringWindow.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/LanguageTables.h"
#include "volmar/core/Wiring.h"
#include "volmar/editor/ConfigEditor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace volmar::app {

namespace {

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    return b;
}

QToolButton* picture(QWidget* parent, const char* name, bool connected) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIconSize(QSize(kConnectionPictureSize, kConnectionPictureSize));
    b->setIcon(QIcon(connectionPicture(connected, parent->devicePixelRatioF())));
    return b;
}

QLineEdit* readOnlyField(QWidget* parent, const char* name) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(name);
    line->setReadOnly(true);
    return line;
}

// A caption before its control; the control is named after the caption.
void addLabelled(QHBoxLayout* row, const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, control->parentWidget());
    label->setBuddy(control);
    control->setAccessibleName(caption);
    row->addWidget(label);
    row->addWidget(control);
}

} // namespace

HeaderGroup::HeaderGroup(editor::ConfigEditor& editor, QWidget* parent)
    : ConfigPage(editor, parent) {
    setObjectName("HeaderGroup");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox(this);
    group->setObjectName("grp_main");
    texts().caption(group);
    outer->addWidget(group);

    auto* layout = new QVBoxLayout(group);
    layout->addWidget(buildDeviceRow());
    layout->addWidget(buildFieldRow());
    layout->addWidget(buildReportRow());
}

QWidget* HeaderGroup::buildReportRow() {
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    m_c.chk_report_info = readOnlyField(row, "chk_report_info");
    m_c.chk_report_info->setAccessibleName(tr("Validation report"));
    line->addWidget(m_c.chk_report_info, 1);
    const auto tool = [row, line](const char* name) {
        auto* b = new QToolButton(row);
        b->setObjectName(name);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setFocusPolicy(Qt::StrongFocus);
        line->addWidget(b);
        return b;
    };
    m_c.btnWiring = tool("btnWiring");
    m_c.btnUndo = tool("btnUndo");
    m_c.btnRedo = tool("btnRedo");
    m_c.btnRestoreBackup = tool("btnRestoreBackup");
    m_c.btnRestoreBackup->setText(tr("Restore previous configuration…"));
    m_c.btnRestoreBackup->setAccessibleName(m_c.btnRestoreBackup->text());
    m_c.btnRestoreBackup->setToolTip(
        tr("A configuration read from the controller before one of the last writes"));
    return row;
}

QWidget* HeaderGroup::buildDeviceRow() {
    using T = editor::LanguageTexts;
    auto* row = new QWidget(this);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);

    // Both pictures share one place; the display shows one of them. Each is
    // named by what it says.
    m_c.img_red = picture(row, "img_red", false);
    m_c.img_grn = picture(row, "img_grn", true);
    m_c.img_grn->hide();
    texts().custom([red = m_c.img_red, green = m_c.img_grn](const TRecordLng& lng) {
        for (const auto& [image, tip] :
             {std::pair{red, &lng.plug_msg}, {green, &lng.usb_connect}}) {
            image->setAccessibleName(toQ(*tip));
            image->setToolTip(toQ(*tip));
        }
    });
    grid->addWidget(m_c.img_red, 0, 0, 2, 1);
    grid->addWidget(m_c.img_grn, 0, 0, 2, 1);

    m_c.lstHID_DeviceList = new QListWidget(row);
    m_c.lstHID_DeviceList->setObjectName("lstHID_DeviceList");
    texts().accessibleName(m_c.lstHID_DeviceList, T::field(&TRecordLng::grp_main));
    m_c.lstHID_DeviceList->setMinimumWidth(360);
    m_c.lstHID_DeviceList->setFixedHeight(kConnectionPictureSize);
    connect(m_c.lstHID_DeviceList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit lineChosen(m_c.lstHID_DeviceList->row(item)); });
    connect(m_c.lstHID_DeviceList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit lineChosen(m_c.lstHID_DeviceList->row(item)); });
    grid->addWidget(m_c.lstHID_DeviceList, 0, 1);

    auto* buttons = new QGridLayout;
    m_c.btnRead_MK = button(row, "btnRead_MK");
    m_c.btnWrite_MK = button(row, "btnWrite_MK");
    m_c.btnRead_PC = button(row, "btnRead_PC");
    m_c.btnWrite_PC = button(row, "btnWrite_PC");
    m_c.btn_clr_dev_list = button(row, "btn_clr_dev_list");
    m_c.btnClrConfig = button(row, "btnClrConfig");
    m_c.btnRestart = button(row, "btnRestart");
    m_c.btn_about = button(row, "btn_about");
    QPushButton* const order[] = {m_c.btnRead_MK,  m_c.btnWrite_MK,      m_c.btnRead_PC,
                                  m_c.btnWrite_PC, m_c.btn_clr_dev_list, m_c.btnClrConfig,
                                  m_c.btnRestart,  m_c.btn_about};
    for (int i = 0; i < 8; ++i) {
        texts().caption(order[i]);
        buttons->addWidget(order[i], i % 4, i / 4);
    }
    grid->addLayout(buttons, 0, 2);

    auto* status = new QHBoxLayout;
    m_c.connect_status = readOnlyField(row, "connect_status");
    m_c.connect_status->setEnabled(false);
    status->addWidget(m_c.connect_status, 1);
    // Editable, as the settings file may hold any text, which then shows as
    // it is; typing never adds an entry, so only the four choose a table.
    m_c.Translate = new QComboBox(row);
    m_c.Translate->setObjectName("Translate");
    m_c.Translate->setEditable(true);
    m_c.Translate->setInsertPolicy(QComboBox::NoInsert);
    for (std::string_view name : languageNames()) {
        m_c.Translate->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    }
    addLabelled(status, tr("Language"), m_c.Translate);
    grid->addLayout(status, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    return row;
}

QWidget* HeaderGroup::buildFieldRow() {
    auto* row = new QWidget(this);
    auto* fields = new QHBoxLayout(row);
    fields->setContentsMargins(0, 0, 0, 0);
    const auto bound = [&](const char* name, const QString& caption) {
        addLabelled(fields, caption, binder().create(name, caption, row));
    };
    const auto labelled = [&](const char* label, QWidget* control) {
        fields->addWidget(texts().label(control, label));
        fields->addWidget(control);
    };
    labelled("lbl_usb_name", binder().create("dev_name", {}, row));
    bound("dev_vid", QStringLiteral("VID"));
    bound("dev_pid", QStringLiteral("PID"));
    bound("dev_poll", tr("Poll (ms)"));
    fields->addSpacing(16);
    labelled("lbl_dev_shm", binder().create("joy_hardware", {}, row));
    m_c.joy_uptime = readOnlyField(row, "joy_uptime");
    labelled("lbl_dev_uptime", m_c.joy_uptime);
    m_c.joy_usbpps = readOnlyField(row, "joy_usbpps");
    m_c.joy_usbpps->setText(QStringLiteral("--"));
    labelled("lbl_usb_pps", m_c.joy_usbpps);
    fields->addStretch(1);
    const int idWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16;
    for (const char* name : {"dev_vid", "dev_pid"}) {
        row->findChild<QWidget*>(name)->setMaximumWidth(idWidth);
    }
    m_c.joy_uptime->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000:00:00")) +
                                    16);
    m_c.joy_usbpps->setMaximumWidth(idWidth);
    return row;
}

void HeaderGroup::refresh(const ConfigState& state) {
    ConfigPage::refresh(state);
    m_c.chk_report_info->setText(toQ(state.chk_report_info));
    const int warnings = static_cast<int>(wiringWarnings(state).size());
    const QString count = wiringCountText(warnings);
    if (m_c.btnWiring->text() != count) {
        m_c.btnWiring->setText(count);
        m_c.btnWiring->setAccessibleName(count);
        m_c.btnWiring->setIcon(style()->standardIcon(warnings > 0 ? QStyle::SP_MessageBoxWarning
                                                                  : QStyle::SP_DialogApplyButton));
    }
}

void HeaderGroup::showDisplay(const device::DisplayState& display) {
    m_c.connect_status->setText(toQ(display.connect_status));
    m_c.connect_status->setAccessibleName(m_c.connect_status->text());
    m_c.btnRead_MK->setEnabled(display.btnRead_MK);
    m_c.btnWrite_MK->setEnabled(display.btnWrite_MK);
    m_c.btnRestart->setEnabled(display.btnRestart);
    m_c.img_red->setVisible(display.img_red);
    m_c.img_grn->setVisible(display.img_grn);
}

void HeaderGroup::showDeviceList(const std::vector<std::string>& lines,
                                 const std::vector<std::string>& problems, int selected) {
    QStringList texts;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        QString text = toQ(lines[i]);
        if (i < problems.size() && !problems[i].empty()) {
            text += QStringLiteral("\n    ") + toQ(problems[i]);
        }
        texts << text;
    }
    QListWidget* list = m_c.lstHID_DeviceList;
    const QSignalBlocker quiet(list);
    // A click on a line lists the devices again; the items stay when nothing
    // changed, so the click that is still being handled keeps its item.
    bool same = list->count() == texts.size();
    for (int i = 0; same && i < list->count(); ++i) {
        same = list->item(i)->text() == texts[i];
    }
    if (!same) {
        list->clear();
        list->addItems(texts);
    }
    if (selected >= 0 && selected < list->count()) {
        list->setCurrentRow(selected);
    } else {
        list->clearSelection();
        list->setCurrentRow(-1);
    }
}

} // namespace volmar::app
