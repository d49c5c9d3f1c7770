#pragma once

// The one place where the configuration is edited. It owns the ConfigState
// the whole window shows, the language record and how to learn whether a
// controller is connected. Controls never run a rule: they hand "control X
// got value V" to edit(), which stores it, runs the rule the event table
// binds to X, and tells every view to refresh from state().

#include "volmar/core/ConfigState.h"
#include "volmar/core/EditHistory.h"
#include "volmar/core/Editing.h"
#include "volmar/core/LanguageRecord.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

class QWidget;

namespace volmar::editor {

class ConfigEditor : public QObject {
    Q_OBJECT
public:
    // Starts with the start-up configuration (defaults, axis rules, validation).
    explicit ConfigEditor(const TRecordLng& lng, QObject* parent = nullptr);

    ConfigState& state() { return m_state; }
    const ConfigState& state() const { return m_state; }
    // The record stays at this address for the editor's life (the document,
    // the device link and the views keep a reference); a language switch
    // replaces its texts in place.
    const TRecordLng& lng() const { return m_lng; }
    // The texts of another language; the views are relabelled by their owner.
    void setLanguage(const TRecordLng& lng) { m_lng = lng; }

    // Asked at every rule run: whether the controller's command collection is
    // held (validation shows the not-connected display when it is not).
    void setConnectedProbe(std::function<bool()> probe) { m_connected = std::move(probe); }
    bool connected() const { return m_connected && m_connected(); }

    // Asks the user for a colour (red + 256 * green + 65536 * blue), starting
    // from `current`; nothing when the user cancelled or no picker was given.
    using ColourPicker =
        std::function<std::optional<std::uint32_t>(QWidget* parent, std::uint32_t current)>;
    void setColourPicker(ColourPicker picker) { m_pickColour = std::move(picker); }
    std::optional<std::uint32_t> pickColour(QWidget* parent, std::uint32_t current) const {
        return m_pickColour ? m_pickColour(parent, current) : std::nullopt;
    }

    // A control changed: store the value, run its rule, refresh the views.
    // A value the field cannot hold is ignored (the views show the old one).
    void edit(std::string_view control, const FieldValue& value);
    // Validation alone (the key filters run it after every key press).
    void validate();
    // The axis rules alone (a tool control bound to them changed).
    void axisRules();
    // "Clear sets": the default configuration.
    void clear();
    // The configuration was replaced or repaired outside edit() (a read from
    // the controller, a file, a write's validation): refresh the views, then
    // show what that rule run asks for.
    void show(const RunOutcome& outcome);
    void touch() { show({}); }

    // The program's own change of a control (not the user's): it joins the
    // current undo step instead of making one.
    void programEdit(std::string_view control, const FieldValue& value);

    // Undo and redo of whole steps (see EditHistory); validation runs on the
    // configuration put back, as after any other change.
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    void undo();
    void redo();
    const EditHistory& history() const { return m_history; }

    // While one lives, every change joins one undo step, recorded when the
    // last one goes (several fields saved by one click).
    class StepGroup {
    public:
        explicit StepGroup(ConfigEditor& editor) : m_editor(editor) { ++m_editor.m_grouping; }
        ~StepGroup();
        StepGroup(const StepGroup&) = delete;
        StepGroup& operator=(const StepGroup&) = delete;

    private:
        ConfigEditor& m_editor;
    };

signals:
    // Every view shows state() again.
    void changed();
    // A modal message box, in the order the rules raised them.
    void message(const QString& text);
    // Validation found no controller: show the not-connected display.
    void notConnected();
    // What can be undone or redone may have changed.
    void historyChanged();

private:
    enum class Recording { Step, Absorb };
    void showAs(const RunOutcome& outcome, Recording recording, std::string_view mergeKey);
    void recordChange(Recording recording, std::string_view mergeKey);
    void putBack(bool undone);

    TRecordLng m_lng;
    ConfigState m_state;
    EditHistory m_history;
    int m_grouping = 0;
    std::function<bool()> m_connected;
    ColourPicker m_pickColour;
};

} // namespace volmar::editor
