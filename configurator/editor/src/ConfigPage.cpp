#include "volmar/editor/ConfigPage.h"

#include "volmar/editor/ConfigEditor.h"

namespace volmar::editor {

ConfigPage::ConfigPage(ConfigEditor& editor, QWidget* parent)
    : QWidget(parent), m_editor(editor), m_binder(editor), m_texts(editor.lng()) {
    connect(&editor, &ConfigEditor::changed, this, [this] { refresh(m_editor.state()); });
}

void ConfigPage::refresh(const ConfigState& state) {
    m_binder.refresh(state);
}

void ConfigPage::retranslate() {
    m_binder.retranslate();
    m_texts.apply();
}

} // namespace volmar::editor
