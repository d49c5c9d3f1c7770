// The buttons page: opening, committing and leaving the grid's in-cell
// editors by mouse and keyboard, what the cells show afterwards, the clear
// button, the indicator panels and the live binding's entry.

#include "volmar/editor/ButtonsPage.h"
#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ButtonGridModel.h"

#include "PageTest.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace volmar::editor::test {
namespace {

class ButtonsTest : public PageTest<ButtonsPage> {
protected:
    ButtonGrid& grid() { return page->grid(); }
    QModelIndex cell(int col, int row) { return grid().gridModel().cell(col, row); }
    QString text(int col, int row) { return cell(col, row).data().toString(); }
    QPoint centre(int col, int row) {
        grid().scrollTo(cell(col, row));
        return grid().visualRect(cell(col, row)).center();
    }
    void click(int col, int row) {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, centre(col, row));
    }
    void doubleClick(int col, int row) {
        QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, centre(col, row));
    }
    // Selects the cell and opens its editor with Enter.
    QWidget* open(int col, int row) {
        click(col, row);
        QTest::keyClick(&grid(), Qt::Key_Return);
        return QApplication::focusWidget();
    }
    QLineEdit& number() { return c<QLineEdit>("KnpGrid_CB_Number"); }
    QComboBox& mode() { return c<QComboBox>("KnpGrid_CB_Mode"); }
    bool anyEditorShown() {
        for (const char* name :
             {"KnpGrid_CB_Number", "KnpGrid_CB_Mode", "KnpGrid_CB_Shift", "KnpGrid_CB_TimOn"}) {
            if (c<QWidget>(name).isVisible()) {
                return true;
            }
        }
        return false;
    }
    // Types into the number editor of (1, row) and leaves it with Enter.
    void enterNumber(int row, const char* typed) {
        ASSERT_EQ(open(1, row), &number());
        QTest::keyClicks(&number(), typed);
        QTest::keyClick(&number(), Qt::Key_Return);
    }
};

TEST_F(ButtonsTest, GridShowsTheButtonMapWithFixedHeadings) {
    EXPECT_EQ(grid().gridModel().rowCount(), 132);
    EXPECT_EQ(grid().gridModel().headerData(2, Qt::Horizontal).toString(), "Mode");
    EXPECT_EQ(text(0, 1), "Hat Up");
    EXPECT_EQ(text(0, 132), "Button 128");
    EXPECT_EQ(text(1, 7), "-----");
    EXPECT_EQ(cell(3, 9).data(Qt::AccessibleTextRole).toString(), "Shift 9");
    EXPECT_FALSE(anyEditorShown());
    EXPECT_FALSE(grid().gridModel().flags(cell(0, 5)) & Qt::ItemIsSelectable);

    state().buttons.hw[6] = 12;
    state().buttons.mode[6] = 2;
    editor.touch();
    EXPECT_EQ(text(1, 6), "12");
    EXPECT_EQ(text(2, 6), "Switch");
    EXPECT_EQ(cell(2, 6).data(Qt::AccessibleDescriptionRole).toString(), "Switch");
}

TEST_F(ButtonsTest, DoubleClickBeforeAnySelectionOpensNothing) {
    doubleClick(0, 10); // the names column can never be selected
    EXPECT_FALSE(anyEditorShown());
    EXPECT_FALSE(grid().editState().editing);
    QTest::keyClick(&grid(), Qt::Key_F2);
    EXPECT_FALSE(anyEditorShown());
    EXPECT_FALSE(grid().editState().editing);
}

TEST_F(ButtonsTest, DoubleClickOpensTheSelectedCellsEditorWhereverThePointerIs) {
    state().buttons.mode[11] = 1;
    editor.touch();
    click(2, 11);
    doubleClick(0, 30); // on a name, far from the selected cell
    ASSERT_TRUE(mode().isVisible());
    EXPECT_EQ(mode().geometry(), grid().visualRect(cell(2, 11)));
    EXPECT_EQ(mode().currentText(), "Button(invert)");
    EXPECT_EQ(mode().accessibleName(), "Mode 11");
    EXPECT_EQ(QApplication::focusWidget(), &mode());
    EXPECT_FALSE(number().isVisible());
}

TEST_F(ButtonsTest, NumberEditorTakesDigitsAndRefusesButtonsAbove128) {
    ASSERT_EQ(open(1, 5), &number());
    EXPECT_EQ(number().geometry(), grid().visualRect(cell(1, 5)));
    EXPECT_EQ(number().selectedText(), "-----") << "typing replaces the cell's text";
    QTest::keyClicks(&number(), "2a0-0");
    QTest::keyClick(&number(), Qt::Key_Backspace);
    EXPECT_EQ(number().text(), "200") << "letters, signs and Backspace are dropped";
    QTest::keyClick(&number(), Qt::Key_Return);
    EXPECT_FALSE(number().isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &grid());
    EXPECT_EQ(text(1, 5), "-----");
    EXPECT_EQ(state().buttons.hw[5], 0);

    enterNumber(5, "17");
    EXPECT_EQ(text(1, 5), "17");
    EXPECT_EQ(state().buttons.hw[5], 17);
    // The keypad's Enter opens and commits as well.
    QTest::keyClick(&grid(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(number().isVisible());
    QTest::keyClicks(&number(), "18");
    QTest::keyClick(&number(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(state().buttons.hw[5], 18);
    // Leaving by a click elsewhere commits too.
    ASSERT_EQ(open(1, 6), &number());
    QTest::keyClicks(&number(), "128");
    click(2, 20);
    EXPECT_FALSE(number().isVisible());
    EXPECT_EQ(state().buttons.hw[6], 128);
    EXPECT_EQ(state().chk_report_info, "Ok. Used axis  0, buttons 2.") << "the rules ran";
}

TEST_F(ButtonsTest, AnEncoderInputSwitchesTheRowToEncoderUnlessItIsASoftSwitch) {
    c<QComboBox>("enc_02_l").setCurrentIndex(12);
    enterNumber(11, "12"); // joystick button 7
    EXPECT_EQ(text(2, 11), "Encoder");
    EXPECT_EQ(text(4, 11), "Timer 1");
    EXPECT_EQ(c<QComboBox>("btn_timer_1").currentText(), "delay 20 ms");
    EXPECT_EQ(c<QComboBox>("btn_timer_1_mode").currentText(), "ON+OFF");

    state().buttons.mode[12] = kModeSoftSwitch;
    editor.touch();
    enterNumber(12, "12");
    EXPECT_EQ(text(1, 12), "12");
    EXPECT_EQ(text(2, 12), "Soft Switch");
    EXPECT_EQ(text(4, 12), "----------");
}

TEST_F(ButtonsTest, ListsCommitOnEnterOrAPickAndOnlyAfterTheRulesOnButton40) {
    // Arrow keys walk the list; Enter takes the entry.
    ASSERT_EQ(open(2, 36), &mode()); // joystick button 32 keeps its mode
    QTest::keyClick(&mode(), Qt::Key_Down);
    QTest::keyClick(&mode(), Qt::Key_Down);
    EXPECT_TRUE(mode().isVisible()) << "an arrow key does not commit";
    EXPECT_EQ(state().buttons.mode[36], 0);
    QTest::keyClick(&mode(), Qt::Key_Return);
    EXPECT_FALSE(mode().isVisible());
    EXPECT_EQ(text(2, 36), "Switch");
    EXPECT_EQ(QApplication::focusWidget(), &grid());

    // A pick from the list commits at once; on joystick button 40 the axis
    // rules that run when the list is left undo it.
    ASSERT_EQ(open(2, 44), &mode());
    emit mode().activated(3);
    EXPECT_FALSE(mode().isVisible());
    EXPECT_EQ(text(2, 44), "Button(norm)");
    EXPECT_EQ(state().buttons.mode[44], 0);

    ASSERT_EQ(open(3, 8), &c<QComboBox>("KnpGrid_CB_Shift"));
    emit c<QComboBox>("KnpGrid_CB_Shift").activated(2);
    EXPECT_EQ(text(3, 8), "Shift 2");
    EXPECT_EQ(state().buttons.shift[8], 2);
    EXPECT_EQ(state().buttons.mode[8], 0) << "each list writes its own column";
}

TEST_F(ButtonsTest, LeavingOrEscapingAListKeepsTheRowsValue) {
    state().buttons.mode[10] = kModeEncoder;
    editor.touch();
    ASSERT_EQ(open(2, 10), &mode());
    EXPECT_EQ(mode().currentText(), "Encoder");
    click(3, 3); // left without a choice
    EXPECT_FALSE(mode().isVisible());
    EXPECT_EQ(text(2, 10), "Encoder");

    ASSERT_EQ(open(2, 10), &mode());
    QTest::keyClick(&mode(), Qt::Key_Up);
    QTest::keyClick(&mode(), Qt::Key_Escape);
    EXPECT_FALSE(mode().isVisible());
    EXPECT_EQ(state().buttons.mode[10], kModeEncoder);
    EXPECT_FALSE(grid().editState().editing);

    ASSERT_EQ(open(1, 10), &number());
    QTest::keyClicks(&number(), "99");
    QTest::keyClick(&number(), Qt::Key_Escape);
    EXPECT_EQ(text(1, 10), "-----");
}

TEST_F(ButtonsTest, TheNamesColumnIsNeverSelected) {
    click(2, 20);
    click(0, 21);
    EXPECT_EQ(grid().editState().col, 2);
    EXPECT_EQ(grid().editState().row, 20);
    // Nor reached with the arrow keys.
    click(1, 20);
    QTest::keyClick(&grid(), Qt::Key_Left);
    EXPECT_EQ(grid().editState().col, 1);
    QTest::keyClick(&grid(), Qt::Key_Down);
    EXPECT_EQ(grid().editState().row, 21);
}

TEST_F(ButtonsTest, ClearShowsNoneAndTheFirstEntriesOnEveryRow) {
    for (int row = 1; row < kGridRows; row += 7) {
        state().buttons.hw[row] = row;
        state().buttons.mode[row] = 2;
        state().buttons.shift[row] = 1;
        state().buttons.timer[row] = 3;
    }
    editor.touch();
    ASSERT_EQ(text(4, 15), "Timer 3");
    c<QPushButton>("BTN_ClearButtons").click();
    for (int row = 1; row < kGridRows; ++row) {
        EXPECT_EQ(text(1, row), "-----") << row;
        EXPECT_EQ(text(2, row), "Button(norm)") << row;
        EXPECT_EQ(text(3, row), "----------") << row;
        EXPECT_EQ(text(4, row), "----------") << row;
    }
    EXPECT_EQ(state().buttons, ButtonMap{});
    EXPECT_EQ(state().chk_report_info, "Ok. Used axis  0, buttons 0.");
}

TEST_F(ButtonsTest, PanelsShowThePressedButtons) {
    const QColor face = QApplication::palette().color(QPalette::Button);
    std::array<bool, live::kButtons> pressed{};
    pressed[2] = pressed[16] = pressed[131] = true;
    page->showButtonStates(pressed);
    for (int b = 1; b <= live::kButtons; ++b) {
        const std::string name = "joy_knp_" + std::string(b < 10 ? "0" : "") + std::to_string(b);
        auto& panel = c<QLabel>(name);
        const bool down = b == 3 || b == 17 || b == 132;
        EXPECT_EQ(panel.palette().color(QPalette::Window), down ? QColor(255, 0, 0) : face) << b;
    }
    EXPECT_EQ(c<QLabel>("joy_knp_132").text(), "132");
    EXPECT_EQ(c<QLabel>("joy_knp_07").text(), "07");
    page->showButtonStates({});
    EXPECT_EQ(c<QLabel>("joy_knp_17").palette().color(QPalette::Window), face);
}

TEST_F(ButtonsTest, APressedButtonGoesOnlyIntoAnOpenNumberEditor) {
    click(1, 9);
    grid().offerPressedButton(40);
    EXPECT_EQ(state().buttons.hw[9], 0) << "the editor is closed";
    ASSERT_EQ(open(1, 9), &number());
    grid().offerPressedButton(40);
    EXPECT_FALSE(number().isVisible());
    EXPECT_EQ(text(1, 9), "40");
    // With another column selected the number is not offered at all.
    click(2, 9);
    grid().offerPressedButton(41);
    EXPECT_EQ(state().buttons.hw[9], 40);
    EXPECT_EQ(number().text(), "40");
}

} // namespace
} // namespace volmar::editor::test
