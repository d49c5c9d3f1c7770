#include "volmar/editor/ConfigPage.h"

#include "volmar/editor/ConfigEditor.h"

#include <QLabel>
#include <QVBoxLayout>

namespace volmar::editor {

ConfigPage::ConfigPage(ConfigEditor& editor, QWidget* parent)
    : QWidget(parent), m_editor(editor), m_binder(editor) {
    connect(&editor, &ConfigEditor::changed, this, [this] { refresh(m_editor.state()); });
}

void ConfigPage::refresh(const ConfigState& state) {
    m_binder.refresh(state);
}

PlaceholderPage::PlaceholderPage(ConfigEditor& editor, const QString& objectName, QWidget* parent)
    : ConfigPage(editor, parent) {
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(tr("This page is not yet available in this version."), this);
    note->setAlignment(Qt::AlignCenter);
    layout->addWidget(note);
}

} // namespace volmar::editor
