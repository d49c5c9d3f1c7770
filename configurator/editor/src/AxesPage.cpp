#include "volmar/editor/AxesPage.h"

#include "PageBuilding.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ConfigEditor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace volmar::editor {

namespace {

// One column of the table, left to right. '#' in the pattern is the axis
// number; live columns are not configuration fields but read-only values
// the live monitor fills in. The heading's caption is the language's.
struct Column {
    const char* pattern;
    const char* heading;       // object name of the column's heading label
    bool AxisEnables::*enable; // nullptr: always enabled
    bool live = false;
    bool readOnly = false;
};

using E = AxisEnables;

const Column kColumns[] = {
    {"osi_#_src", "lbl_dev_int_axis1", nullptr},
    {"osi_#_src_port", "lbl_dev_int_axis2", &E::src_port},
    {"osi_#_src_chnl", "lbl_dev_int_axis3", &E::src_chnl},
    {"joy_osi_0#_t", "osi_value", nullptr, true, true},
    {"joy_osi_0#_t_axis", "osi_value_pr", nullptr, true, true},
    {"osi_#_name", "lbl_osi_name", &E::name},
    {"osi_#_prcsn", "lbl_osi_prcsn", nullptr},
    {"osi_#_invert", "lbl_osi_invert", &E::shaping},
    {"osi_#_filter", "lbl_osi_filter", &E::shaping},
    {"osi_#_acal", "lbl_osi_acal", &E::shaping},
    {"osi_#_acal_min", "lbl_osi_acal_min", &E::shaping, false, true},
    {"osi_#_acal_cen", "lbl_osi_acal_cnt", &E::shaping, false, true},
    {"osi_#_acal_max", "lbl_osi_acal_max", &E::shaping, false, true},
    {"osi_#_offset", "lbl_osi_offset", &E::offset},
    {"osi_#_ms_btn_d", "osi_btn_decr", &E::relative},
    {"osi_#_ms_btn", "osi_btn_rcnt", &E::relative},
    {"osi_#_ms_btn_u", "osi_btn_incr", &E::relative},
    {"osi_#_ms_step", "lbl_osi_ms_step", &E::relative},
    {"osi_#_specfunc", "lbl_osi_specfunc", &E::shaping},
    {"osi_#_dzl", "lbl_osi_ldz", &E::shaping},
    {"osi_#_dzc", "lbl_osi_cdz", &E::shaping},
    {"osi_#_dzh", "lbl_osi_hdz", &E::shaping},
    {"osi_#_dzd", "lbl_osi_ddz", &E::shaping},
    {"adc_error_#", "lbl_link_error", nullptr, true, true},
};

} // namespace

AxesPage::AxesPage(ConfigEditor& editor, QWidget* parent) : ConfigPage(editor, parent) {
    setObjectName("TabOSI");
    auto* layout = new QVBoxLayout(this);

    // The table is wider than most screens: it scrolls sideways, and is as
    // high as its rows, with the scroll bar right below them.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* table = new QWidget(scroll);
    buildTable(table);
    scroll->setWidget(table);
    // The headings' height depends on the language: measured after them.
    texts().custom([scroll, table](const TRecordLng&) {
        scroll->setFixedHeight(table->sizeHint().height() +
                               scroll->horizontalScrollBar()->sizeHint().height());
    });
    layout->addWidget(scroll);

    auto* below = new QHBoxLayout;
    auto* clockLabel = new QLabel("VLSensor CLOCK", this);
    QWidget* clock = binder().create("osi_vlsens_clk", clockLabel->text(), this);
    clockLabel->setBuddy(clock);
    below->addWidget(clockLabel);
    below->addWidget(clock);
    below->addStretch(1);
    // The main window opens the calibration helper with it.
    m_btnAcal = new QPushButton(this);
    m_btnAcal->setObjectName("btn_acal");
    texts().caption(m_btnAcal);
    below->addWidget(m_btnAcal);
    layout->addLayout(below);
    layout->addStretch(1);
}

void AxesPage::buildTable(QWidget* table) {
    auto* grid = new QGridLayout(table);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    int col = 1;
    for (const Column& column : kColumns) {
        auto* label = new QLabel(table);
        label->setObjectName(column.heading);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        // One word a line keeps the columns narrow and the heading's height
        // independent of the width the table gets.
        texts().caption(label, [heading = LanguageTexts::named(column.heading)](const auto& lng) {
            std::string text = heading(lng);
            std::replace(text.begin(), text.end(), ' ', '\n');
            return text;
        });
        grid->addWidget(label, 0, col++);
    }
    // Row by row, so the tab order runs along each axis.
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        auto* number = new QLabel(QString::number(axis), table);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(number, axis, 0);
        col = 1;
        for (const Column& column : kColumns) {
            const std::string name = detail::controlName(column.pattern, std::to_string(axis));
            QWidget* widget = nullptr;
            if (column.live) {
                auto* line = new QLineEdit("0", table);
                line->setObjectName(QString::fromStdString(name));
                widget = line;
            } else {
                widget = binder().create(name, {}, table);
            }
            texts().accessibleName(
                widget, [heading = LanguageTexts::named(column.heading), axis](const auto& lng) {
                    return heading(lng) + " " + std::to_string(axis);
                });
            if (column.readOnly) {
                auto* line = static_cast<QLineEdit*>(widget);
                line->setReadOnly(true);
            }
            if (auto* line = qobject_cast<QLineEdit*>(widget)) {
                line->setFixedWidth(line->fontMetrics().horizontalAdvance("0000000") + 12);
            }
            grid->addWidget(widget, axis, col++);
            m_rows[static_cast<std::size_t>(axis - 1)].push_back({widget, column.enable});
        }
    }
    grid->setColumnStretch(col, 1);
}

void AxesPage::refresh(const ConfigState& state) {
    ConfigPage::refresh(state);
    const auto enables = axisEnables(state);
    for (std::size_t n = 0; n < m_rows.size(); ++n) {
        for (const Cell& cell : m_rows[n]) {
            cell.widget->setEnabled(!cell.enable || enables[n].*cell.enable);
        }
    }
}

} // namespace volmar::editor
