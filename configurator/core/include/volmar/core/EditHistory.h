#pragma once

// Undo and redo of configuration edits as whole steps. The history keeps
// snapshots of the configuration; a step is anything that changes what the
// configuration image would hold: one edit together with what its rules
// repaired, a file or a controller read, "Clear sets". A change the image
// cannot see (the report line, a value that shares its stored code with
// another, the list texts a language switch rebuilds) joins the current
// step instead of making a new one, so a language switch is never a step.
//
// Typing into one edit, or stepping one spin control, is one step as long
// as nothing else happens in between: the caller passes the control's name
// as the merge key.

#include "volmar/core/ConfigState.h"
#include "volmar/core/ImageCodec.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace volmar {

class EditHistory {
public:
    inline static constexpr std::size_t kDefaultDepth = 200;

    explicit EditHistory(std::size_t depth = kDefaultDepth) : m_depth(depth) {}

    // Starts over from `state`: nothing to undo or redo.
    void reset(const ConfigState& state);

    // The configuration is now `state`. Returns true when that made a new
    // step (and so dropped everything that could be redone).
    bool record(const ConfigState& state, std::string_view mergeKey = {});
    // The configuration is now `state`, as part of the current step (the
    // program's own changes, a repair right after an undo).
    void absorb(const ConfigState& state);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t undoSteps() const { return m_undo.size(); }
    std::size_t redoSteps() const { return m_redo.size(); }

    // Puts the configuration before (after) the last step into `state`;
    // false and `state` untouched when there is none. The hardware type the
    // controller reports is not the user's edit and stays as it is.
    bool undo(ConfigState& state);
    bool redo(ConfigState& state);

private:
    // What a step is compared by: the image, or the state itself when the
    // encoder refuses it (a strictly converted edit without a number).
    struct Snapshot {
        ConfigState state;
        std::optional<ConfigImage> image;
    };
    static Snapshot snapshotOf(const ConfigState& state);
    static bool sameConfiguration(const Snapshot& a, const Snapshot& b);
    bool step(std::deque<Snapshot>& from, std::deque<Snapshot>& to, ConfigState& state);

    std::size_t m_depth;
    Snapshot m_current{};
    std::deque<Snapshot> m_undo; // oldest first
    std::deque<Snapshot> m_redo; // next redo last
    std::string m_mergeKey;      // the key of the current step, while merging is open
};

} // namespace volmar
