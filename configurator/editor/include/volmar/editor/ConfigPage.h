#pragma once

// Base of every view of the configuration (a page of the page control, the
// header group). A page builds its controls once, the configuration fields
// through binder() so they are named after their fields and forward their
// edits to the editor; it shows the configuration in refresh(), which the
// editor's changed() calls after every edit and every replacement. A page
// decides nothing itself: enabling and the like come from core functions
// of the state (axisEnables() ...). Its language texts go through texts(),
// so a language switch relabels the page with retranslate().

#include "volmar/editor/FieldBinder.h"
#include "volmar/editor/LanguageTexts.h"

#include <QWidget>

namespace volmar::editor {

class ConfigEditor;

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    explicit ConfigPage(ConfigEditor& editor, QWidget* parent = nullptr);

    // Shows `state`: every bound control, then what the page adds.
    virtual void refresh(const ConfigState& state);

    // The editor's record changed (a language switch): every text and the
    // lists built from the record show the new language; every list keeps
    // its entry.
    virtual void retranslate();

protected:
    ConfigEditor& editor() { return m_editor; }
    FieldBinder& binder() { return m_binder; }
    LanguageTexts& texts() { return m_texts; }

private:
    ConfigEditor& m_editor;
    FieldBinder m_binder;
    LanguageTexts m_texts;
};

} // namespace volmar::editor
