#include "volmar/editor/FieldBinder.h"

#include "volmar/core/Editing.h"
#include "volmar/core/LanguageSwitch.h"
#include "volmar/core/ValueLists.h"
#include "volmar/editor/ColourBox.h"
#include "volmar/editor/ConfigEditor.h"
#include "volmar/editor/KeyFilterEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include <stdexcept>
#include <string>

namespace volmar::editor {

namespace {

void fillList(QComboBox& combo, const EntryList& entries) {
    for (const auto& entry : entries) {
        combo.addItem(QString::fromStdString(entry));
    }
}

QWidget* makeList(const FieldDef& field, ConfigEditor& editor, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    fillList(*combo, listEntries(field.list, editor.lng()));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QObject::connect(combo, &QComboBox::currentIndexChanged, &editor,
                     [&editor, &field](int index) { editor.edit(field.name, index); });
    return combo;
}

QWidget* makeEdit(const FieldDef& field, ConfigEditor& editor, QWidget* parent) {
    auto* line = new QLineEdit(parent);
    QObject::connect(line, &QLineEdit::textChanged, &editor, [&editor, &field](const QString& t) {
        editor.edit(field.name, t.toStdString());
    });
    if (const KeyFilter filter = keyFilterFor(field.name); filter != KeyFilter::None) {
        KeyFilterEdit::install(line, filter, editor);
    }
    return line;
}

QWidget* makeCheck(const FieldDef& field, ConfigEditor& editor, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    QObject::connect(box, &QCheckBox::toggled, &editor,
                     [&editor, &field](bool on) { editor.edit(field.name, on); });
    return box;
}

QWidget* makeSpin(const FieldDef& field, ConfigEditor& editor, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(field.min, field.max);
    QObject::connect(spin, &QSpinBox::valueChanged, &editor,
                     [&editor, &field](int value) { editor.edit(field.name, value); });
    return spin;
}

// Writes only what differs, so a line edit being typed in keeps its cursor.
void show(const FieldDef& field, QWidget* widget, const ConfigState& state) {
    const QSignalBlocker quiet(widget);
    const FieldValue value = fieldValue(field, state);
    switch (field.kind) {
    case FieldKind::List: {
        auto* combo = static_cast<QComboBox*>(widget);
        const int index = std::get<int>(value);
        if (combo->currentIndex() != index) {
            combo->setCurrentIndex(index < combo->count() ? index : -1);
        }
        break;
    }
    case FieldKind::Edit: {
        auto* line = static_cast<QLineEdit*>(widget);
        const QString text = QString::fromStdString(std::get<std::string>(value));
        if (line->text() != text) {
            line->setText(text);
        }
        break;
    }
    case FieldKind::Check:
        static_cast<QCheckBox*>(widget)->setChecked(std::get<bool>(value));
        break;
    case FieldKind::Spin:
        static_cast<QSpinBox*>(widget)->setValue(std::get<int>(value));
        break;
    case FieldKind::Colour:
        static_cast<ColourBox*>(widget)->showColour(std::get<std::uint32_t>(value));
        break;
    }
}

} // namespace

QWidget* FieldBinder::create(std::string_view control, const QString& caption, QWidget* parent) {
    const FieldDef* field = findAnyField(control);
    if (!field) {
        throw std::logic_error("no configuration field " + std::string(control));
    }
    QWidget* widget = nullptr;
    switch (field->kind) {
    case FieldKind::List:
        widget = makeList(*field, m_editor, parent);
        break;
    case FieldKind::Edit:
        widget = makeEdit(*field, m_editor, parent);
        break;
    case FieldKind::Check:
        widget = makeCheck(*field, m_editor, parent);
        break;
    case FieldKind::Spin:
        widget = makeSpin(*field, m_editor, parent);
        break;
    case FieldKind::Colour:
        widget = new ColourBox(m_editor, field->name, parent);
        break;
    }
    widget->setObjectName(QString::fromStdString(field->name));
    widget->setAccessibleName(caption);
    m_bound.push_back({field, widget});
    return widget;
}

void FieldBinder::refresh(const ConfigState& state) const {
    for (const Bound& bound : m_bound) {
        show(*bound.field, bound.widget, state);
    }
}

void FieldBinder::retranslate() const {
    for (const Bound& bound : m_bound) {
        if (bound.field->kind != FieldKind::List || !listFollowsLanguage(bound.field->list)) {
            continue;
        }
        auto* combo = static_cast<QComboBox*>(bound.widget);
        const QSignalBlocker quiet(combo);
        const int entry = combo->currentIndex();
        combo->clear();
        fillList(*combo, listEntries(bound.field->list, m_editor.lng()));
        combo->setCurrentIndex(entry);
        // A combo box measures its minimum width once, from the first
        // entries; layouts in a scroll area keep to that minimum, so it is
        // set from the new entries.
        combo->setMinimumWidth(combo->sizeHint().width());
    }
}

} // namespace volmar::editor
