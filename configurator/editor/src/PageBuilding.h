#pragma once

// What the pages share when they lay out their controls: control names from
// a pattern, labels that name their control, and the small tables of
// numbered rows (zoom rows, encoders, timers ...) built from field names.

#include "volmar/editor/LanguageTexts.h"

#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>

class QGridLayout;
class QGroupBox;
class QLabel;
class QWidget;

namespace volmar::editor {

class FieldBinder;

namespace detail {

inline QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

// `pattern` with every '#' replaced by `number` ("ab_#_b", "02" -> "ab_02_b").
std::string controlName(std::string_view pattern, std::string_view number);
// 1 -> "01", 12 -> "12": the two-digit numbers of the numbered families.
std::string twoDigits(int n);

// A label showing `text` for `buddy`, whose accessible name it becomes
// unless the buddy has one already.
QLabel* buddyLabel(const QString& text, QWidget* buddy, const char* objectName = nullptr);

// A group box named `objectName` with the title the language gives that name.
QGroupBox* titledGroup(LanguageTexts& texts, QWidget* parent, const char* objectName);

// The grid of a group of many small controls: narrow margins and gaps.
void compactGroup(QGridLayout* grid);

// A line edit of a table: wide enough for `digits` digits.
void narrowEdit(QWidget* edit, int digits);

struct TableColumn {
    // Object name of the column's heading, whose caption is the language's;
    // nullptr: an unnamed heading showing `caption`.
    const char* heading;
    LanguageTexts::Rule caption;
    const char* pattern; // field name, '#' for the row number
};

// A group `objectName` with the title the language gives it, rows
// "#1".."#rows" of field controls under their column headings; row n's
// controls are the patterns with n, written with two digits when
// `twoDigitRows`. Each control's accessible name is "<title> <caption> #<n>".
QGroupBox* fieldTable(FieldBinder& binder, LanguageTexts& texts, QWidget* parent,
                      const char* objectName, std::initializer_list<TableColumn> columns, int rows,
                      bool twoDigitRows);

} // namespace detail
} // namespace volmar::editor
