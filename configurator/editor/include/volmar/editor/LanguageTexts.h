#pragma once

// The texts of a view that come from the language record, each kept with the
// rule that makes it from the record. A view registers a text where it
// creates the control, and the text shows at once; after a language switch
// (the record's texts replaced in place) apply() shows every one of them
// again from the same rules, so building a view and relabelling it are one
// piece of code.

#include "volmar/core/LanguageRecord.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QTabWidget;

namespace volmar::editor {

class LanguageTexts {
public:
    using Rule = std::function<std::string(const TRecordLng&)>;

    // `lng` must stay at its address (the editor's record does).
    explicit LanguageTexts(const TRecordLng& lng) : m_lng(lng) {}
    LanguageTexts(const LanguageTexts&) = delete;
    LanguageTexts& operator=(const LanguageTexts&) = delete;

    // A field of the record as it is.
    static Rule field(std::string TRecordLng::*member);
    // The caption the language gives the control `name` (a programming error
    // when it gives none: throws std::logic_error).
    static Rule named(std::string_view name);
    // A text that reads the same in every language.
    static Rule fixed(std::string text);

    // A label's or button's text, a group box's title, a window's title.
    void caption(QWidget* widget, Rule rule);
    // The same with the caption the language gives the widget's object name.
    void caption(QWidget* widget);
    void accessibleName(QWidget* widget, Rule rule);
    // A label named `name` for `buddy` (beside it, in the buddy's parent),
    // with the caption the language gives that name, which is the buddy's
    // accessible name too.
    QLabel* label(QWidget* buddy, const char* name);
    // The tab of `page` in `tabs`, with the caption of the page's object name.
    void tab(QTabWidget* tabs, QWidget* page);
    // Anything else a record change must redo (lists, widths).
    void custom(std::function<void(const TRecordLng&)> redo);

    // Shows every registered text for the record as it is now.
    void apply() const;
    const TRecordLng& lng() const { return m_lng; }

private:
    enum class Kind { Caption, AccessibleName, Tab, Custom };
    struct Text {
        Kind kind;
        QPointer<QWidget> widget;
        QPointer<QWidget> page; // Tab: the page whose tab it is
        Rule rule;
        std::function<void(const TRecordLng&)> redo;
    };
    void show(const Text& text) const;

    const TRecordLng& m_lng;
    std::vector<Text> m_texts;
};

} // namespace volmar::editor
