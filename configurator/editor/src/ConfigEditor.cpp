#include "volmar/editor/ConfigEditor.h"

namespace volmar::editor {

ConfigEditor::ConfigEditor(const TRecordLng& lng, QObject* parent)
    : QObject(parent), m_lng(lng), m_state(startupState(m_lng)) {}

void ConfigEditor::edit(std::string_view control, const FieldValue& value) {
    const EditOutcome outcome = applyEdit(m_state, m_lng, connected(), control, value);
    show(outcome.run);
}

void ConfigEditor::validate() {
    show(CheckConfig(m_state, m_lng, connected()));
}

void ConfigEditor::axisRules() {
    show(osi_Change(m_state, m_lng, connected()).run);
}

void ConfigEditor::clear() {
    show(btnClrConfigClick(m_state, m_lng, connected()).run);
}

void ConfigEditor::show(const RunOutcome& outcome) {
    // The views first, so a message box appears over the repaired fields.
    emit changed();
    for (const auto& text : outcome.messageBoxes) {
        emit message(QString::fromStdString(text));
    }
    if (outcome.showNotConnected) {
        emit notConnected();
    }
}

} // namespace volmar::editor
