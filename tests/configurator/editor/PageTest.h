#pragma once

// One page on an editor of its own, shown offscreen in an active window so
// focus moves as it does for a user.

#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ConfigEditor.h"

#include "GuiTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace volmar::editor::test {

using volmar::test::control;

template <typename Page>
class PageTest : public ::testing::Test {
protected:
    PageTest() {
        volmar::test::guiApp();
        page = std::make_unique<Page>(editor);
        editor.touch(); // the page shows the start-up configuration
        page->resize(1260, 460);
        page->show();
        activate();
    }
    void activate();
    ConfigState& state() { return editor.state(); }
    template <typename T>
    T& c(const char* name) {
        return control<T>(*page, name);
    }
    template <typename T>
    T& c(const std::string& name) {
        return control<T>(*page, name.c_str());
    }

    ConfigEditor editor{englishLanguage()};
    std::unique_ptr<Page> page;
};

// Makes `window` the active window (focus events reach only that one).
void activateWindow(QWidget& window);

template <typename Page>
void PageTest<Page>::activate() {
    activateWindow(*page);
}

} // namespace volmar::editor::test
