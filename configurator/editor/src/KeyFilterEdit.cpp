#include "volmar/editor/KeyFilterEdit.h"

#include "volmar/editor/ConfigEditor.h"

#include <QKeyEvent>

namespace volmar::editor {

KeyFilterEdit::KeyFilterEdit(QObject* edit, KeyFilter filter, ConfigEditor& editor)
    : QObject(edit), m_filter(filter), m_editor(editor) {}

void KeyFilterEdit::install(QObject* edit, KeyFilter filter, ConfigEditor& editor) {
    edit->installEventFilter(new KeyFilterEdit(edit, filter, editor));
}

bool KeyFilterEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // Shortcuts (Ctrl+V pastes) are not typing.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return false;
    }
    const QString text = key->text();
    if (text.isEmpty()) {
        return false;
    }
    const char32_t typed = text.toUcs4().value(0);
    // Control characters other than Backspace (Enter, Tab, Delete) type nothing.
    if ((typed < 0x20 && typed != U'\b') || typed == 0x7F) {
        return false;
    }
    // As the original key handler did, validation sees the text before the
    // key goes in; the change the key makes runs the field's own rule.
    m_editor.validate();
    return !keyAllowed(m_filter, typed);
}

} // namespace volmar::editor
