#include "volmar/editor/ButtonsPage.h"

#include "PageBuilding.h"
#include "volmar/core/ButtonMap.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ConfigEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace volmar::editor {

namespace {

constexpr int kPanelColumns = 16;
const QColor kPressed(255, 0, 0);

} // namespace

ButtonsPage::ButtonsPage(ConfigEditor& editor, QWidget* parent) : ConfigPage(editor, parent) {
    setObjectName("TabKNP");
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildGridColumn());

    // Everything beside the grid scrolls, so the page fits small screens.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* side = new QWidget(scroll);
    // Three rows, each as wide as its groups: panels and encoders, the
    // matrix, then shift registers, shift keys and timers. All of it fits
    // beside the grid on a 1280 x 800 screen.
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->setSpacing(2);
    const auto addRow = [sideLayout](std::initializer_list<QWidget*> groups) {
        auto* row = new QHBoxLayout;
        for (QWidget* group : groups) {
            row->addWidget(group);
        }
        row->addStretch(1);
        sideLayout->addLayout(row);
    };
    using T = LanguageTexts;
    using L = TRecordLng;
    addRow({buildPanels(), detail::fieldTable(binder(), texts(), side, "lbl_dev_enc",
                                              {{nullptr, T::fixed("<--"), "enc_#_l"},
                                               {nullptr, T::fixed("-->"), "enc_#_r"}},
                                              kEncoders, true)});
    addRow({buildMatrix()});
    addRow({detail::fieldTable(binder(), texts(), side, "lbl_dev_btn_sr",
                               {{nullptr, T::fixed("CHIP"), "sr_#_len"},
                                {nullptr, T::fixed("SR-CS"), "sr_#_prt"},
                                {nullptr, T::fixed("SR-DATA"), "sr_#_miso"},
                                {nullptr, T::fixed(tr("COUNT").toStdString()), "sr_#_kol"}},
                               kShiftChains, true),
            detail::fieldTable(binder(), texts(), side, "lbl_btnpar_sft",
                               {{nullptr, T::field(&L::lbl_btnpar_hwb), "btn_shift_#"},
                                {nullptr, T::field(&L::lbl_mode), "typ_shift_#"}},
                               kShiftKeys, false),
            detail::fieldTable(binder(), texts(), side, "lbl_btnpar_tmr",
                               {{nullptr, T::field(&L::lbl_delay), "btn_timer_#"},
                                {nullptr, T::field(&L::lbl_mode), "btn_timer_#_mode"}},
                               kTimers, false)});
    sideLayout->addStretch(1);
    scroll->setWidget(side);
    layout->addWidget(scroll, 1);
}

QWidget* ButtonsPage::buildGridColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid = new ButtonGrid(editor(), column);
    layout->addWidget(m_grid, 1);
    // The grid relabels itself; then it is as wide as its columns.
    texts().custom([this](const TRecordLng&) {
        m_grid->retranslate();
        int width = m_grid->frameWidth() * 2 + 20; // the vertical scroll bar
        for (int c = 0; c < kGridColumns; ++c) {
            width += m_grid->columnWidth(c);
        }
        m_grid->setFixedWidth(width);
    });

    auto* below = new QHBoxLayout;
    auto* clear = new QPushButton(column);
    clear->setObjectName("BTN_ClearButtons");
    texts().caption(clear);
    connect(clear, &QPushButton::clicked, this, &ButtonsPage::BTN_ClearButtonsClick);
    below->addWidget(clear);
    // A program setting, not part of the configuration (the settings file keeps it).
    auto* autoBind = new QCheckBox(column);
    autoBind->setObjectName("knpautoset");
    texts().caption(autoBind);
    below->addWidget(autoBind);
    below->addStretch(1);
    layout->addLayout(below);
    return column;
}

QWidget* ButtonsPage::buildPanels() {
    auto* group = new QGroupBox(this);
    group->setObjectName("joy_knp");
    auto* grid = new QGridLayout(group);
    detail::compactGroup(grid);
    grid->setSpacing(1);
    const int width = fontMetrics().horizontalAdvance("132") + 6;
    const int height = fontMetrics().height() + 2;
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int b = 1; b <= live::kButtons; ++b) {
        const QString caption = QString::fromStdString(detail::twoDigits(b));
        auto* panel = new QLabel(caption, group);
        panel->setObjectName("joy_knp_" + caption);
        panel->setAccessibleName(tr("Hardware button %1").arg(caption));
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFixedSize(width, height);
        panel->setAutoFillBackground(true);
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, face);
        panel->setPalette(palette);
        grid->addWidget(panel, (b - 1) / kPanelColumns, (b - 1) % kPanelColumns);
        m_panels[static_cast<std::size_t>(b - 1)] = panel;
    }
    return group;
}

QWidget* ButtonsPage::buildMatrix() {
    QGroupBox* group = detail::titledGroup(texts(), this, "lbl_dev_btn");
    auto* grid = new QGridLayout(group);
    detail::compactGroup(grid);
    const std::pair<const char*, const char*> lines[] = {{"hw_br_", "lbl_dev_btn_r"},
                                                         {"hw_bc_", "lbl_dev_btn_c"}};
    for (int pin = 1; pin <= kMatrixPins; ++pin) {
        grid->addWidget(new QLabel(QString::number(pin), group), 0, pin, Qt::AlignHCenter);
    }
    int row = 1;
    for (const auto& [prefix, labelName] : lines) {
        auto* label = new QLabel(group);
        label->setObjectName(labelName);
        texts().caption(label);
        grid->addWidget(label, row, 0);
        for (int pin = 1; pin <= kMatrixPins; ++pin) {
            QWidget* control = binder().create(prefix + std::to_string(pin), {}, group);
            texts().accessibleName(
                control, [caption = LanguageTexts::named(labelName), pin](const TRecordLng& lng) {
                    return lng.lbl_dev_btn + " " + caption(lng) + " " + std::to_string(pin);
                });
            grid->addWidget(control, row, pin);
        }
        ++row;
    }
    grid->setColumnStretch(kMatrixPins + 1, 1);
    return group;
}

void ButtonsPage::refresh(const ConfigState& state) {
    ConfigPage::refresh(state);
    m_grid->refresh();
}

void ButtonsPage::showButtonStates(const std::array<bool, live::kButtons>& pressed) {
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        if (pressed[i] == m_pressed[i]) {
            continue;
        }
        QPalette palette = m_panels[i]->palette();
        palette.setColor(QPalette::Window, pressed[i] ? kPressed : face);
        m_panels[i]->setPalette(palette);
        m_panels[i]->setAccessibleDescription(pressed[i] ? tr("pressed") : QString());
    }
    m_pressed = pressed;
}

void ButtonsPage::BTN_ClearButtonsClick() {
    volmar::BTN_ClearButtonsClick(editor().state());
    // The report line counts the bound buttons.
    editor().validate();
}

} // namespace volmar::editor
