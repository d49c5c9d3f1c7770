#include "volmar/core/EditHistory.h"

#include <utility>

namespace volmar {

EditHistory::Snapshot EditHistory::snapshotOf(const ConfigState& state) {
    Snapshot snap{state, std::nullopt};
    // The encoder only touches the report line of its copy.
    ConfigState scratch = state;
    ConfigImage image{};
    DescriptorLog log;
    if (ConfigToReport(scratch, image, log).ok())
        snap.image = image;
    return snap;
}

bool EditHistory::sameConfiguration(const Snapshot& a, const Snapshot& b) {
    if (a.image && b.image)
        return *a.image == *b.image;
    if (a.image || b.image)
        return false;
    // Neither encodes: compare what the user edits, not the last results.
    ConfigState x = a.state;
    ConfigState y = b.state;
    x.chk_report_info = y.chk_report_info;
    x.ConfigHasErrors = y.ConfigHasErrors;
    x.joy_hardware = y.joy_hardware;
    return x == y;
}

void EditHistory::reset(const ConfigState& state) {
    m_current = snapshotOf(state);
    m_undo.clear();
    m_redo.clear();
    m_mergeKey.clear();
}

bool EditHistory::record(const ConfigState& state, std::string_view mergeKey) {
    Snapshot now = snapshotOf(state);
    if (sameConfiguration(now, m_current)) {
        m_current = std::move(now);
        return false;
    }
    const bool merge = !mergeKey.empty() && mergeKey == m_mergeKey;
    if (!merge) {
        m_undo.push_back(std::move(m_current));
        if (m_undo.size() > m_depth)
            m_undo.pop_front();
    }
    m_redo.clear();
    m_current = std::move(now);
    m_mergeKey = std::string(mergeKey);
    return !merge;
}

void EditHistory::absorb(const ConfigState& state) {
    m_current = snapshotOf(state);
}

bool EditHistory::step(std::deque<Snapshot>& from, std::deque<Snapshot>& to, ConfigState& state) {
    if (from.empty())
        return false;
    const int hardware = state.joy_hardware;
    to.push_back(std::move(m_current));
    m_current = std::move(from.back());
    from.pop_back();
    m_current.state.joy_hardware = hardware;
    state = m_current.state;
    m_mergeKey.clear();
    return true;
}

bool EditHistory::undo(ConfigState& state) {
    return step(m_undo, m_redo, state);
}

bool EditHistory::redo(ConfigState& state) {
    return step(m_redo, m_undo, state);
}

} // namespace volmar
