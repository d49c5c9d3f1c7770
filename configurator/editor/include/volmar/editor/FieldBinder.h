#pragma once

// Moves values between the field table and a page's controls. create() makes
// the control of one configuration field (a combo box for a list, a line edit
// for an edit, a check box, a spin box, a ColourBox for a colour), named
// after the field, with the field's entries or range; its changes go to the
// editor as edits. refresh() shows a configuration in every control it made
// without raising an edit. Pages never write per-field load or save code.

#include "volmar/core/ConfigFields.h"

#include <QString>

#include <string_view>
#include <vector>

class QWidget;

namespace volmar::editor {

class ConfigEditor;

class FieldBinder {
public:
    explicit FieldBinder(ConfigEditor& editor) : m_editor(editor) {}
    FieldBinder(const FieldBinder&) = delete;
    FieldBinder& operator=(const FieldBinder&) = delete;

    // The control of field `control` (a name of the field table; anything
    // else is a programming error and throws std::logic_error). Its
    // accessible name is `caption`; edits with a key filter get it.
    QWidget* create(std::string_view control, const QString& caption, QWidget* parent = nullptr);

    // Shows `state` in every control made here.
    void refresh(const ConfigState& state) const;

    // The editor's record changed: the lists built from it get the new
    // entries and keep their selected entry; no edit is raised.
    void retranslate() const;

private:
    struct Bound {
        const FieldDef* field;
        QWidget* widget;
    };
    ConfigEditor& m_editor;
    std::vector<Bound> m_bound;
};

} // namespace volmar::editor
