#include "PageTest.h"

#include <QTest>

namespace volmar::editor::test {

void activateWindow(QWidget& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

} // namespace volmar::editor::test
