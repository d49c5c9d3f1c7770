#include "volmar/editor/SpecialFunctionsPage.h"

#include "PageBuilding.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/LanguageSwitch.h"
#include "volmar/core/ValueLists.h"
#include "volmar/editor/ConfigEditor.h"
#include "volmar/editor/CurveChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace volmar::editor {

using detail::toQ;

namespace {

const char* const kPointColumns[kCurvePoints] = {"0%",    "12.5%", "25%",   "37.5%", "50%",
                                                 "62.5%", "75%",   "87.5%", "100%"};
// The drawn curve's points: sky blue.
const QColor kHighlight(0xA6, 0xCA, 0xF0);
const char* const kCurveProperty = "volmarCurve";

} // namespace

SpecialFunctionsPage::SpecialFunctionsPage(ConfigEditor& editor, QWidget* parent)
    : ConfigPage(editor, parent) {
    setObjectName("TabOSI_SF");
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildChart(), 1);

    auto* right = new QVBoxLayout;
    right->addWidget(buildCurves());
    auto* groups = new QHBoxLayout;
    groups->addWidget(detail::fieldTable(binder(), texts(), this, "osi_zoom_1",
                                         {{"osi_zoom_knp", {}, "osi_#_zm_knp"},
                                          {"osi_devis_1", {}, "osi_#_zm_del"},
                                          {"osi_redct_1", {}, "osi_#_zm_spd"}},
                                         kCurveCount, false));
    groups->addWidget(detail::fieldTable(binder(), texts(), this, "lbl_axisbutton",
                                         {{"lbl_axisbutton_b", {}, "ab_#_b"},
                                          {"lbl_axisbutton_a", {}, "ab_#_a"},
                                          {"lbl_axisbutton_l", {}, "ab_#_l"},
                                          {"lbl_axisbutton_h", {}, "ab_#_h"}},
                                         kAxisButtonRows, true));
    groups->addWidget(buildThrottle());
    right->addLayout(groups);
    right->addStretch(1);
    layout->addLayout(right);
    CurveVisualRefrash();
}

QWidget* SpecialFunctionsPage::buildChart() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_chart = new CurveChart(box);
    m_chart->setMinimumSize(280, 240);
    layout->addWidget(m_chart, 1);

    auto* row = new QHBoxLayout;
    m_cursorAxis = new QComboBox(box);
    m_cursorAxis->setObjectName("CurveVisualAxis");
    for (const auto& entry : cursorAxisList()) {
        m_cursorAxis->addItem(toQ(entry));
    }
    row->addWidget(texts().label(m_cursorAxis, "lbl_CurveVisualAxis"));
    row->addWidget(m_cursorAxis);
    const auto readOnly = [box](const char* name) {
        auto* line = new QLineEdit(box);
        line->setObjectName(name);
        line->setReadOnly(true);
        detail::narrowEdit(line, 5);
        return line;
    };
    m_cursorValue = readOnly("CurveVisualAxisValue");
    texts().accessibleName(m_cursorValue, LanguageTexts::field(&TRecordLng::lbl_value_axis));
    m_cursorFixed = readOnly("CurveVisualAxisValueFixed");
    m_cursorFixed->setAccessibleName(tr("Curve output"));
    row->addWidget(m_cursorValue);
    row->addWidget(m_cursorFixed);
    row->addStretch(1);
    layout->addLayout(row);

    connect(m_cursorAxis, &QComboBox::currentIndexChanged, this,
            [this] { refresh(editor().state()); });
    return box;
}

QWidget* SpecialFunctionsPage::buildCurves() {
    QGroupBox* group = detail::titledGroup(texts(), this, "lbl_curves");
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(2);
    for (int k = 0; k < kCurvePoints; ++k) {
        grid->addWidget(new QLabel(kPointColumns[k], group), 0, k + 1, Qt::AlignHCenter);
    }
    auto* symmetrical = new QLabel(group);
    symmetrical->setObjectName("lbl_osi_curve_s");
    texts().caption(symmetrical);
    grid->addWidget(symmetrical, 0, kCurvePoints + 1);
    for (int n = 1; n <= kCurveCount; ++n) {
        const QString row = QStringLiteral("#%1").arg(n);
        grid->addWidget(new QLabel(row, group), n, 0);
        const std::string prefix = "osi_" + std::to_string(n) + "_curve_";
        for (int k = 0; k < kCurvePoints; ++k) {
            QWidget* point = binder().create(prefix + detail::twoDigits(k + 1),
                                             row + " " + kPointColumns[k], group);
            auto* spin = static_cast<QSpinBox*>(point);
            m_points[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(k)] = spin;
            // A click on the arrows or into the text, or tabbing in, picks the curve.
            for (QObject* part : {static_cast<QObject*>(spin),
                                  static_cast<QObject*>(spin->findChild<QLineEdit*>())}) {
                part->setProperty(kCurveProperty, n);
                part->installEventFilter(this);
            }
            grid->addWidget(spin, n, k + 1);
        }
        QWidget* box = binder().create(prefix + "s", {}, group);
        texts().accessibleName(box, [row = row.toStdString()](const TRecordLng& lng) {
            return row + " " + *controlCaption("lbl_osi_curve_s", lng);
        });
        grid->addWidget(box, n, kCurvePoints + 1, Qt::AlignHCenter);
    }
    return group;
}

QWidget* SpecialFunctionsPage::buildThrottle() {
    QGroupBox* group = detail::titledGroup(texts(), this, "lbl_sf_thr");
    auto* form = new QFormLayout(group);
    const std::pair<const char*, const char*> rows[] = {
        {"sf_thr_bnom", "lbl_sf_thr_btnn"},
        {"sf_thr_bmod", "lbl_sf_thr_btnm"},
        {"sf_thr_asrc", "lbl_sf_thr_asrc"},
        {"sf_thr_adsc", "lbl_sf_thr_adst"},
    };
    for (const auto& [field, labelName] : rows) {
        QWidget* control = binder().create(field, {}, group);
        auto* label = new QLabel(group);
        label->setObjectName(labelName);
        label->setBuddy(control);
        texts().caption(label);
        texts().accessibleName(control, [caption = LanguageTexts::named(labelName)](const auto& l) {
            return *controlCaption("lbl_sf_thr", l) + " " + caption(l);
        });
        form->addRow(label, control);
    }
    return group;
}

bool SpecialFunctionsPage::eventFilter(QObject* watched, QEvent* event) {
    const QVariant curve = watched->property(kCurveProperty);
    if (curve.isValid()) {
        const bool clicked = event->type() == QEvent::MouseButtonPress;
        const bool entered =
            event->type() == QEvent::FocusIn &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason;
        if (clicked || entered) {
            selectCurve(curve.toInt());
        }
    }
    return ConfigPage::eventFilter(watched, event);
}

void SpecialFunctionsPage::selectCurve(int curve) {
    if (curve < 1 || curve > kCurveCount || curve == m_drawn) {
        return;
    }
    m_drawn = curve;
    CurveVisualRefrash();
}

int SpecialFunctionsPage::cursorAxis() const {
    return m_cursorAxis->currentIndex();
}

void SpecialFunctionsPage::showCursorValue(const QString& valueText, int position) {
    if (m_cursorValue->text() != valueText) {
        m_cursorValue->setText(valueText);
    }
    m_cursor = position;
    // Ten times a second while the page is shown: when nothing but the
    // cursor moved, the curve drawn stays and only the line and the output
    // at the cursor follow (up to 16384 points are not computed again).
    const Drawn drawn = wanted(editor().state());
    if (m_shown && m_shown->cursor != drawn.cursor) {
        Drawn moved = *m_shown;
        moved.cursor = drawn.cursor;
        if (moved == drawn) {
            showCursorOutput(drawn.cursor, drawn.range);
            m_chart->moveCursor(drawn.cursor);
            m_shown = drawn;
            return;
        }
    }
    if (!m_shown || *m_shown != drawn) {
        CurveVisualRefrash();
    }
}

void SpecialFunctionsPage::showCursorOutput(int cursor, int range) {
    if (cursor >= 0 && cursor <= range) {
        m_cursorFixed->setText(QString::number(m_outputs[static_cast<std::size_t>(cursor)]));
    }
}

SpecialFunctionsPage::Drawn SpecialFunctionsPage::wanted(const ConfigState& state) const {
    const CurveFields& curve = state.curves[static_cast<std::size_t>(m_drawn - 1)];
    const int entry = cursorAxis();
    // Without a cursor axis the cursor rests at 0.
    return {curve.points, curve.symmetrical, cursorRange(state, entry), entry > 0 ? m_cursor : 0,
            m_drawn};
}

void SpecialFunctionsPage::refresh(const ConfigState& state) {
    ConfigPage::refresh(state);
    if (!m_shown || *m_shown != wanted(state)) {
        CurveVisualRefrash();
    }
}

void SpecialFunctionsPage::highlight(int curve) {
    if (curve == m_highlighted) {
        return;
    }
    for (std::size_t n = 0; n < m_points.size(); ++n) {
        const bool drawn = static_cast<int>(n) + 1 == curve;
        for (QSpinBox* spin : m_points[n]) {
            QPalette palette;
            if (drawn) {
                palette = spin->palette();
                palette.setColor(QPalette::Base, kHighlight);
            }
            spin->setPalette(palette);
        }
    }
    m_highlighted = curve;
}

void SpecialFunctionsPage::CurveVisualRefrash() {
    highlight(m_drawn);
    const Drawn drawn = wanted(editor().state());
    if (cursorAxis() <= 0) {
        m_cursor = 0;
    }
    curveOutputs(drawn.points, drawn.symmetrical, drawn.range, m_outputs);
    showCursorOutput(drawn.cursor, drawn.range);
    m_chart->draw(m_outputs, drawn.cursor);
    m_shown = drawn;
}

} // namespace volmar::editor
