#pragma once

// The key filters of the numeric, hexadecimal and USB-name edits: a typed
// character the filter does not allow is dropped, and validation runs after
// every typed character, allowed or not. Shortcuts and keys that type
// nothing (Ctrl+V, arrows, Delete, Enter) pass untouched, so pasting still
// works; what it pastes meets the field's length limit instead.

#include "volmar/core/Editing.h"

#include <QObject>

namespace volmar::editor {

class ConfigEditor;

class KeyFilterEdit : public QObject {
    Q_OBJECT
public:
    // Filters key presses of `edit` (a QLineEdit); owned by it.
    static void install(QObject* edit, KeyFilter filter, ConfigEditor& editor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyFilterEdit(QObject* edit, KeyFilter filter, ConfigEditor& editor);

    KeyFilter m_filter;
    ConfigEditor& m_editor;
};

} // namespace volmar::editor
