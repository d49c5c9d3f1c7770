#include "volmar/editor/ConfigEditor.h"

namespace volmar::editor {

namespace {

// Typing into an edit or stepping a spin control makes one step until
// something else happens; a list or a check box changes in one go.
std::string_view mergeKeyOf(std::string_view control) {
    const FieldDef* field = findAnyField(control);
    const bool gradual =
        field && (field->kind == FieldKind::Edit || field->kind == FieldKind::Spin);
    return gradual ? control : std::string_view();
}

} // namespace

ConfigEditor::ConfigEditor(const TRecordLng& lng, QObject* parent)
    : QObject(parent), m_lng(lng), m_state(startupState(m_lng)) {
    m_history.reset(m_state);
}

ConfigEditor::StepGroup::~StepGroup() {
    if (--m_editor.m_grouping == 0) {
        m_editor.recordChange(Recording::Step, {});
    }
}

void ConfigEditor::edit(std::string_view control, const FieldValue& value) {
    const EditOutcome outcome = applyEdit(m_state, m_lng, connected(), control, value);
    showAs(outcome.run, Recording::Step, mergeKeyOf(control));
}

void ConfigEditor::programEdit(std::string_view control, const FieldValue& value) {
    const EditOutcome outcome = applyEdit(m_state, m_lng, connected(), control, value);
    showAs(outcome.run, Recording::Absorb, {});
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
    showAs(outcome, Recording::Step, {});
}

void ConfigEditor::undo() {
    putBack(m_history.undo(m_state));
}

void ConfigEditor::redo() {
    putBack(m_history.redo(m_state));
}

void ConfigEditor::putBack(bool done) {
    if (!done) {
        return;
    }
    // The state put back was validated when it was current; validating it
    // again refreshes the report line for the controller connected now and
    // must not become a step of its own (it would drop the redo steps).
    showAs(CheckConfig(m_state, m_lng, connected()), Recording::Absorb, {});
}

void ConfigEditor::recordChange(Recording recording, std::string_view mergeKey) {
    if (m_grouping > 0) {
        return;
    }
    if (recording == Recording::Absorb) {
        m_history.absorb(m_state);
    } else {
        m_history.record(m_state, mergeKey);
    }
    emit historyChanged();
}

void ConfigEditor::showAs(const RunOutcome& outcome, Recording recording,
                          std::string_view mergeKey) {
    recordChange(recording, mergeKey);
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
