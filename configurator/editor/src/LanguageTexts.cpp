#include "volmar/editor/LanguageTexts.h"

#include "volmar/core/LanguageSwitch.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

#include <stdexcept>

namespace volmar::editor {

namespace {

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

// Written only when it differs: relabelling an unchanged text costs nothing,
// not even a layout pass.
void setCaption(QWidget& widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        if (label->text() != text) {
            label->setText(text);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        if (button->text() != text) {
            button->setText(text);
        }
    } else if (auto* group = qobject_cast<QGroupBox*>(&widget)) {
        if (group->title() != text) {
            group->setTitle(text);
        }
    } else if (widget.windowTitle() != text) {
        widget.setWindowTitle(text);
    }
}

} // namespace

LanguageTexts::Rule LanguageTexts::field(std::string TRecordLng::*member) {
    return [member](const TRecordLng& lng) { return lng.*member; };
}

LanguageTexts::Rule LanguageTexts::named(std::string_view name) {
    if (!controlCaption(name, englishLanguage())) {
        throw std::logic_error("the language gives no caption to " + std::string(name));
    }
    return [control = std::string(name)](const TRecordLng& lng) {
        return *controlCaption(control, lng);
    };
}

LanguageTexts::Rule LanguageTexts::fixed(std::string text) {
    return [text = std::move(text)](const TRecordLng&) { return text; };
}

void LanguageTexts::caption(QWidget* widget, Rule rule) {
    m_texts.push_back({Kind::Caption, widget, nullptr, std::move(rule), {}});
    show(m_texts.back());
}

void LanguageTexts::caption(QWidget* widget) {
    caption(widget, named(widget->objectName().toStdString()));
}

void LanguageTexts::accessibleName(QWidget* widget, Rule rule) {
    m_texts.push_back({Kind::AccessibleName, widget, nullptr, std::move(rule), {}});
    show(m_texts.back());
}

QLabel* LanguageTexts::label(QWidget* buddy, const char* name) {
    auto* label = new QLabel(buddy->parentWidget());
    label->setObjectName(name);
    label->setBuddy(buddy);
    caption(label);
    accessibleName(buddy, named(name));
    return label;
}

void LanguageTexts::tab(QTabWidget* tabs, QWidget* page) {
    m_texts.push_back({Kind::Tab, tabs, page, named(page->objectName().toStdString()), {}});
    show(m_texts.back());
}

void LanguageTexts::custom(std::function<void(const TRecordLng&)> redo) {
    m_texts.push_back({Kind::Custom, nullptr, nullptr, {}, std::move(redo)});
    show(m_texts.back());
}

void LanguageTexts::apply() const {
    for (const Text& text : m_texts) {
        show(text);
    }
}

void LanguageTexts::show(const Text& text) const {
    if (text.kind == Kind::Custom) {
        text.redo(m_lng);
        return;
    }
    // A widget that went before its view (a closed window) has nothing to show.
    if (!text.widget) {
        return;
    }
    const QString value = toQ(text.rule(m_lng));
    switch (text.kind) {
    case Kind::Caption:
        setCaption(*text.widget, value);
        break;
    case Kind::AccessibleName:
        if (text.widget->accessibleName() != value) {
            text.widget->setAccessibleName(value);
        }
        break;
    case Kind::Tab: {
        auto* tabs = static_cast<QTabWidget*>(text.widget.data());
        if (const int index = tabs->indexOf(text.page); index >= 0) {
            tabs->setTabText(index, value);
        }
        break;
    }
    case Kind::Custom:
        break;
    }
}

} // namespace volmar::editor
