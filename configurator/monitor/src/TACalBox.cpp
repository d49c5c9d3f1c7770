#include "volmar/monitor/TACalBox.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ConfigEditor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace volmar::monitor {

namespace {

constexpr int kWidth = 522;
constexpr int kHeight = 294;
constexpr int kTrackingMs = 50;

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Set only when it differs, so the cursor of a field being typed in stays.
void setText(QLineEdit& line, const std::string& text) {
    const QString q = toQ(text);
    if (line.text() != q) {
        line.setText(q);
    }
}

} // namespace

TACalBox::TACalBox(editor::ConfigEditor& editor, RawTexts raw, QWidget* parent)
    : QDialog(parent), m_editor(editor), m_raw(std::move(raw)), m_cal(editor.state()) {
    setObjectName("TACalBox");
    const TRecordLng& lng = editor.lng();
    setWindowTitle(toQ(lng.lbl_acal_helper));

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    m_all = new QCheckBox(this);
    m_all->setObjectName("osi_autocal_all");
    m_all->setAccessibleName(toQ(lng.lbl_acal_helper) + QStringLiteral(" 1-8"));
    grid->addWidget(m_all, 0, 0);
    const std::pair<const char*, const std::string*> headings[] = {
        {"lbl_axis", &lng.lbl_acal_axis},
        {"lbl_axis_crn", &lng.lbl_acal_axis_crn},
        {"lbl_axis_min", &lng.lbl_acal_axis_min},
        {"lbl_axis_cen", &lng.lbl_acal_axis_cen},
        {"lbl_axis_max", &lng.lbl_acal_axis_max}};
    int col = 1;
    for (const auto& [name, caption] : headings) {
        auto* label = new QLabel(toQ(*caption), this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, 0, col++);
    }
    buildRows(grid);
    layout->addLayout(grid);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const std::string*> captions[] = {
        {"ClrLimits", &lng.lbl_acal_bclr},
        {"SetCentr", &lng.lbl_acal_bcen},
        {"SetAcal", &lng.lbl_acal_bset}};
    const std::array<void (TACalBox::*)(), 3> clicks = {
        &TACalBox::ClrLimitsClick, &TACalBox::SetCentrClick, &TACalBox::SetAcalClick};
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        auto* button = new QPushButton(toQ(*captions[i].second), this);
        button->setObjectName(captions[i].first);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, clicks[i]);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(m_all, &QCheckBox::clicked, this, &TACalBox::osi_autocal_allClick);

    showRows();
    // The window's own size unless a larger font needs more room.
    const QSize hint = sizeHint();
    setFixedSize(std::max(kWidth, hint.width()), std::max(kHeight, hint.height()));
    if (parent != nullptr) {
        move(parent->frameGeometry().center() - rect().center());
    }

    m_FormUpdater = new QTimer(this);
    m_FormUpdater->setObjectName("FormUpdater");
    m_FormUpdater->setInterval(kTrackingMs);
    connect(m_FormUpdater, &QTimer::timeout, this, &TACalBox::FormUpdaterTimer);
    m_FormUpdater->start();
}

void TACalBox::buildRows(QGridLayout* grid) {
    const TRecordLng& lng = m_editor.lng();
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12;
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        Row& row = m_rows[static_cast<std::size_t>(axis - 1)];
        const QString n = twoDigits(axis);
        const QString number = QStringLiteral(" %1").arg(axis);
        row.tick = new QCheckBox(this);
        row.tick->setObjectName("osi_autocal_" + n);
        row.tick->setAccessibleName(toQ(lng.lbl_acal_helper) + number);
        grid->addWidget(row.tick, axis, 0);
        const auto edit = [&](const QString& name, const std::string& caption, int col) {
            auto* line = new QLineEdit(this);
            line->setObjectName(name);
            line->setAccessibleName(toQ(caption) + number);
            line->setFixedWidth(width);
            grid->addWidget(line, axis, col);
            return line;
        };
        row.name = edit("osi_name_" + n, lng.lbl_acal_axis, 1);
        row.name->setEnabled(false);
        row.current = edit("osi_acal_in_" + n, lng.lbl_acal_axis_crn, 2);
        // Overwritten every 50 ms: typing into it would be lost at once.
        row.current->setReadOnly(true);
        row.min = edit("osi_acal_l_" + n, lng.lbl_acal_axis_min, 3);
        row.centre = edit("osi_acal_c_" + n, lng.lbl_acal_axis_cen, 4);
        row.max = edit("osi_acal_h_" + n, lng.lbl_acal_axis_max, 5);

        connect(row.tick, &QCheckBox::toggled, this,
                [this, axis](bool ticked) { m_cal.setTicked(axis, ticked); });
        using Limit = CalibrationHelper::Limit;
        const std::pair<QLineEdit*, Limit> limits[] = {
            {row.min, Limit::Min}, {row.centre, Limit::Centre}, {row.max, Limit::Max}};
        for (const auto& [line, limit] : limits) {
            connect(line, &QLineEdit::textEdited, this, [this, axis, limit](const QString& text) {
                m_cal.setLimit(axis, limit, text.toStdString());
            });
        }
    }
}

void TACalBox::showRows() {
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        const CalibrationHelper::Row& from = m_cal.row(axis);
        const Row& to = m_rows[static_cast<std::size_t>(axis - 1)];
        setText(*to.name, from.name);
        setText(*to.current, from.current);
        setText(*to.min, from.min);
        setText(*to.centre, from.centre);
        setText(*to.max, from.max);
    }
}

void TACalBox::FormUpdaterTimer() {
    m_cal.track(m_raw());
    showRows();
}

void TACalBox::ClrLimitsClick() {
    m_cal.clear();
    showRows();
}

void TACalBox::SetCentrClick() {
    m_cal.setCentre();
    showRows();
}

// The texts go as they are, "-" included; the window stays open.
void TACalBox::SetAcalClick() {
    // One click, one undo step.
    const editor::ConfigEditor::StepGroup step(m_editor);
    for (const auto& [control, text] : m_cal.saveEdits()) {
        m_editor.edit(control, text);
    }
}

void TACalBox::osi_autocal_allClick(bool checked) {
    for (const Row& row : m_rows) {
        row.tick->setChecked(checked);
    }
}

} // namespace volmar::monitor
