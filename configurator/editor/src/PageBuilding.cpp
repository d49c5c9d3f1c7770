#include "PageBuilding.h"

#include "volmar/editor/FieldBinder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <vector>

namespace volmar::editor::detail {

std::string controlName(std::string_view pattern, std::string_view number) {
    std::string name;
    for (char c : pattern) {
        if (c == '#') {
            name += number;
        } else {
            name += c;
        }
    }
    return name;
}

std::string twoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, const char* objectName) {
    auto* label = new QLabel(text, buddy->parentWidget());
    if (objectName) {
        label->setObjectName(objectName);
    }
    label->setBuddy(buddy);
    if (buddy->accessibleName().isEmpty()) {
        buddy->setAccessibleName(text);
    }
    return label;
}

QGroupBox* titledGroup(LanguageTexts& texts, QWidget* parent, const char* objectName) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(objectName);
    texts.caption(group);
    return group;
}

void compactGroup(QGridLayout* grid) {
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
}

void narrowEdit(QWidget* edit, int digits) {
    if (auto* line = qobject_cast<QLineEdit*>(edit)) {
        line->setFixedWidth(line->fontMetrics().horizontalAdvance(QString(digits + 1, '0')) + 12);
    }
}

QGroupBox* fieldTable(FieldBinder& binder, LanguageTexts& texts, QWidget* parent,
                      const char* objectName, std::initializer_list<TableColumn> columns, int rows,
                      bool twoDigitRows) {
    QGroupBox* group = titledGroup(texts, parent, objectName);
    const LanguageTexts::Rule title = LanguageTexts::named(objectName);
    auto* grid = new QGridLayout(group);
    compactGroup(grid);
    std::vector<LanguageTexts::Rule> captions;
    int col = 1;
    for (const TableColumn& column : columns) {
        auto* heading = new QLabel(group);
        if (column.heading) {
            heading->setObjectName(column.heading);
        }
        captions.push_back(column.heading ? LanguageTexts::named(column.heading) : column.caption);
        texts.caption(heading, captions.back());
        grid->addWidget(heading, 0, col++);
    }
    for (int n = 1; n <= rows; ++n) {
        const std::string row = "#" + std::to_string(n);
        grid->addWidget(new QLabel(toQ(row), group), n, 0);
        const std::string number = twoDigitRows ? twoDigits(n) : std::to_string(n);
        col = 1;
        for (const TableColumn& column : columns) {
            QWidget* control = binder.create(controlName(column.pattern, number), {}, group);
            texts.accessibleName(control, [title, caption = captions[col - 1], row](const auto& l) {
                return title(l) + " " + caption(l) + " " + row;
            });
            narrowEdit(control, 3);
            grid->addWidget(control, n, col++);
        }
    }
    grid->setColumnStretch(col, 1);
    grid->setRowStretch(rows + 1, 1);
    return group;
}

} // namespace volmar::editor::detail
