// The axis and Buffered windows on fake devices: the gauge as drawn, the
// snapshot the 10 ms refresh hands over, the three axis dialogs with their
// range checks and refused writes, and the Buffered list with its rate,
// capture, filters, intervals and saved file.
#include "CAxisView.h"
#include "CBufferedInputView.h"
#include "GlyphLine.h"
#include "GuiSupport.h"

#include <QAction>
#include <QBackingStore>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSpinBox>
#include <QTreeView>

#include <gtest/gtest.h>

namespace volmar::viewer::test {
namespace {

using input::Change;

class ViewsTest : public ::testing::Test {
protected:
    FakeBackend backend;
    std::shared_ptr<FakeDevice> stick = backend.addStick("Stick");
    std::shared_ptr<FakeDevice> mouse = backend.addMouse("Mouse");
    Viewer viewer{backend};

    void SetUp() override { viewer.start(); }

    CAxisView& axis(const std::string& title) {
        QMdiSubWindow* w = viewer.window(title);
        EXPECT_NE(w, nullptr) << title;
        return *viewer.frame().axisView(w);
    }
    CBufferedInputView& buffered() {
        QMdiSubWindow* w = viewer.window("Stick - Buffered");
        viewer.frame().mdiArea()->setActiveSubWindow(w);
        return *viewer.frame().bufferedView(w);
    }
    QString cell(int row, int column) {
        const EventListModel& m = buffered().model();
        return m.data(m.index(row, column), Qt::DisplayRole).toString();
    }
    bool rowsReach(int n) {
        return waitUntil([&] { return buffered().model().rowCount() >= n; }, 5000);
    }
    void trigger(Command command) { viewer.frame().commands().action(command)->trigger(); }
    Change x(std::int32_t value) const { return {stick->object("X Axis"), value}; }
    Change button(int n, bool down) const {
        return {stick->object("Button " + std::to_string(n)), down ? 1 : 0};
    }
};

bool dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 64;
}

TEST_F(ViewsTest, GaugeMarkerIsDrawnAtTheMarginForTheMinimumAndAtWMinusMarginForTheMaximum) {
    input::DeviceRecord& d = viewer.device("Stick");
    CAxisView view(std::make_unique<CAxisDoc>(d, viewer.object("Stick", "X Axis")),
                   viewer.frame().commands(), viewer.prompts);
    view.resize(400, 120);
    view.show();
    ASSERT_TRUE(waitUntil([&] { return view.isVisible() && view.width() == 400; }, 5000));
    const int bottomRow = 60 + 2 + 7; // the marker's widest row: 8 pixels from its left edge
    for (const auto& [value, left] : {std::pair{0, 5}, std::pair{65535, 395}}) {
        view.showSnapshot({value, 0});
        const QImage image = view.grab().toImage();
        EXPECT_FALSE(dark(image, left - 1, bottomRow)) << value;
        for (int px = left; px < std::min(left + 8, 400); ++px) {
            EXPECT_TRUE(dark(image, px, bottomRow)) << value << " at " << px;
        }
        // The apex, two pixels in the middle of the top row.
        EXPECT_TRUE(dark(image, left + 3, 62));
        EXPECT_FALSE(dark(image, left + 2, 62));
    }
}

// A refresh draws only the glyphs and markers that moved; the window must
// still look exactly as a whole repaint of the same values draws it, for
// texts that keep their length, carry, grow and shrink.
TEST_F(ViewsTest, RepaintingOnlyWhatMovedLeavesTheWholePicture) {
    input::DeviceRecord& d = viewer.device("Stick");
    CAxisView view(std::make_unique<CAxisDoc>(d, viewer.object("Stick", "X Axis")),
                   viewer.frame().commands(), viewer.prompts);
    view.resize(400, 120);
    view.toggleRawView();
    view.show();
    ASSERT_TRUE(waitUntil([&] { return view.isVisible() && view.width() == 400; }, 5000));
    QApplication::processEvents();
    QPaintDevice* device = view.backingStore()->paintDevice();
    ASSERT_EQ(device->devType(), QInternal::Image);
    const QImage& onScreen = *static_cast<QImage*>(device);
    const AxisSnapshot steps[] = {{100, 6},  {101, 6},   {109, 6},  {110, 7},     {1000, 62},
                                  {999, 62}, {65535, 1}, {0, 1023}, {32767, 511}, {32768, 512}};
    for (const AxisSnapshot& s : steps) {
        const int paints = view.paintCount();
        view.showSnapshot(s);
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        ASSERT_GT(view.paintCount(), paints) << s.value;
        const QImage drawn = onScreen.copy(0, 0, 400, 120).convertToFormat(QImage::Format_RGB32);
        const QImage whole = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(drawn.size(), whole.size());
        EXPECT_TRUE(drawn == whole) << "after " << s.value << " / " << s.raw;
    }
}

TEST_F(ViewsTest, OnlyTheGlyphsThatDifferAreDrawnAgain) {
    QFont font = QApplication::font();
    font.setPixelSize(13);
    GlyphLine line(font);
    const QRect r(0, 0, 400, 100);
    const QString before = "512 (50.00% max)  ";
    const qreal left = (400 - line.width(before)) / 2;
    const qreal digit = line.width("0");
    // The middle of the line's row and of the n-th character.
    const int y = r.bottom() - QFontMetrics(font).height() / 2;
    const auto at = [&](int n) {
        return QPoint(static_cast<int>(left + line.width(before.left(n)) + digit / 2), y);
    };
    // One digit: its own place and a pixel or two around it, nothing else.
    const QRegion one = line.changes(r, before, "513 (50.00% max)  ");
    EXPECT_TRUE(one.contains(at(2)));
    EXPECT_FALSE(one.contains(at(1)));
    EXPECT_FALSE(one.contains(at(5)));
    EXPECT_LT(one.boundingRect().width(), 2 * digit);
    EXPECT_GE(one.boundingRect().top(), r.bottom() - QFontMetrics(font).height() - 2);
    EXPECT_LE(one.boundingRect().bottom(), r.bottom() + 2);
    // Two places apart: both, and not what lies between them.
    const QRegion two = line.changes(r, before, "612 (50.01% max)  ");
    EXPECT_TRUE(two.contains(at(0)));
    EXPECT_TRUE(two.contains(at(9)));
    EXPECT_FALSE(two.contains(at(5)));
    // A longer or shorter text moves every glyph: both texts entirely.
    for (const QString& after : {QString("5120 (50.00% max)  "), QString("51 (5.00% max)  ")}) {
        const QRect all = line.changes(r, before, after).boundingRect();
        const qreal longest = std::max(line.width(before), line.width(after));
        EXPECT_LE(all.left(), (400 - longest) / 2 + 1) << after.toStdString();
        // The trailing spaces have no ink: the last one is the ')'.
        EXPECT_GE(all.right(), (400 + longest) / 2 - 2 * line.width(" ") - 1)
            << after.toStdString();
    }
    EXPECT_TRUE(line.changes(r, before, before).isEmpty());
}

TEST_F(ViewsTest, TheRefreshHandsAChangedDeviceItsValues) {
    CAxisView& view = axis("Stick - X Axis [X]");
    const int paints = view.paintCount();
    stick->send(100, {x(1023)});
    ASSERT_TRUE(waitUntil([&] { return view.snapshot().value == 65535; }, 5000));
    EXPECT_EQ(view.snapshot().raw, 1023);
    ASSERT_TRUE(waitUntil([&] { return view.paintCount() > paints; }, 5000));
    stick->send(110, {x(0)});
    ASSERT_TRUE(waitUntil([&] { return view.snapshot().value == 0; }, 5000));
}

TEST_F(ViewsTest, DeadZoneOutsideItsRangeKeepsTheDialogOpenAndOkWritesTheDevice) {
    CAxisView& view = axis("Stick - X Axis [X]");
    viewer.prompts.dialogAnswers.push_back([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Edit DeadZone");
        auto* field = dialog.findChild<QSpinBox*>("edit1006");
        field->setValue(101);
        click(dialog, "ok");
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(viewer.prompts.messages.size(), 1u);
        EXPECT_EQ(viewer.prompts.messages[0].text, "Please enter an integer between 0 and 100.");
        click(dialog, "restoreDefaults");
        EXPECT_EQ(field->value(), 0);
        field->setValue(25);
        click(dialog, "ok");
    });
    view.editDeadZone();
    EXPECT_TRUE(viewer.prompts.dialogAnswers.empty());
    input::ObjectRecord& o = viewer.object("Stick", "X Axis");
    EXPECT_EQ(o.deadZone.data, 2500u);
    input::PropDword readBack = o.deadZone;
    ASSERT_EQ(viewer.device("Stick").calibrated->getProperty(input::PropId::DeadZone, readBack),
              input::DI_OK);
    EXPECT_EQ(readBack.data, 2500u);
    EXPECT_EQ(viewer.prompts.messages.size(), 1u); // the write was taken

    viewer.prompts.dialogAnswers.push_back([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Edit Saturation");
        click(dialog, "restoreDefaults");
        EXPECT_EQ(dialog.findChild<QSpinBox*>("edit1013")->value(), 100);
        click(dialog, "cancel");
    });
    view.editSaturation();
    EXPECT_EQ(viewer.prompts.dialogsRun, 2);
}

TEST_F(ViewsTest, CalibrationRestoresTheHidRangeAndChecksMaxFirst) {
    CAxisView& view = axis("Stick - Y Axis [Y]");
    viewer.prompts.dialogAnswers.push_back([&](QDialog& dialog) {
        auto* min = dialog.findChild<QSpinBox*>("edit1011");
        auto* center = dialog.findChild<QSpinBox*>("edit1007");
        auto* max = dialog.findChild<QSpinBox*>("edit1009");
        click(dialog, "restoreDefaults");
        EXPECT_EQ(min->value(), 0);
        EXPECT_EQ(center->value(), 512);
        EXPECT_EQ(max->value(), 1023);
        min->setValue(-5);
        max->setValue(1024);
        click(dialog, "ok");
        EXPECT_TRUE(dialog.isVisible());
        max->setValue(1000);
        min->setValue(20);
        click(dialog, "ok");
    });
    view.editCalibration();
    ASSERT_EQ(viewer.prompts.messages.size(), 1u);
    EXPECT_EQ(viewer.prompts.messages[0].text, "Please enter an integer between 0 and 1023.");
    const input::PropCalibration& c = viewer.object("Stick", "Y Axis").calibration;
    EXPECT_EQ(c.min, 20);
    EXPECT_EQ(c.center, 512);
    EXPECT_EQ(c.max, 1000);
}

TEST_F(ViewsTest, ARefusedWriteIsReportedAndTheRecordKeepsTheValue) {
    // A mouse axis is relative: its device takes no dead zone.
    viewer.frame().openWindow(&viewer.device("Mouse"), &viewer.object("Mouse", "X Axis"));
    CAxisView& view = axis("Mouse - X Axis [X]");
    viewer.prompts.dialogAnswers.push_back([](QDialog& dialog) {
        dialog.findChild<QSpinBox*>("edit1006")->setValue(10);
        click(dialog, "ok");
    });
    view.editDeadZone();
    ASSERT_EQ(viewer.prompts.messages.size(), 1u);
    EXPECT_EQ(viewer.prompts.messages[0].text, "ERROR: SetProperty returned 0x80004001\n");
    EXPECT_EQ(viewer.object("Mouse", "X Axis").deadZone.data, 1000u);
}

// ---------------------------------------------------------------- Buffered

TEST_F(ViewsTest, RateIsZeroForTheFirstReportAndOneHundredForTheNextTenMillisecondsLater) {
    stick->send(5000, {x(512)});
    stick->send(5010, {x(600), button(2, true)});
    ASSERT_TRUE(rowsReach(3));
    EXPECT_EQ(cell(0, 0), "X Axis");
    EXPECT_EQ(cell(0, 2), "0");
    EXPECT_EQ(cell(0, 3), "0.000");
    EXPECT_EQ(cell(1, 2), "10");
    EXPECT_EQ(cell(1, 3), "100.000");
    EXPECT_EQ(cell(2, 0), "Button 2");
    EXPECT_EQ(cell(2, 1), "DOWN");
    EXPECT_EQ(cell(2, 2), "10");
    const EventListModel& m = buffered().model();
    EXPECT_EQ(m.data(m.index(2, 3), Qt::AccessibleTextRole).toString(), "Rate (Hz) 3");
    EXPECT_EQ(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Value");
}

TEST_F(ViewsTest, CaptureOffAndOnDropsWhatWasQueuedMeanwhile) {
    stick->send(1000, {x(1)});
    ASSERT_TRUE(rowsReach(1));
    trigger(Command::Capture);
    EXPECT_FALSE(buffered().events().capturing());
    for (std::uint32_t t = 1010; t <= 1030; t += 10) {
        stick->send(t, {x(static_cast<std::int32_t>(t))});
    }
    input::DeviceRecord& d = viewer.device("Stick");
    ASSERT_TRUE(waitUntil([&] { return d.queueSize() == 3; }, 5000));
    EXPECT_EQ(buffered().model().rowCount(), 1);
    trigger(Command::Capture);
    EXPECT_EQ(d.queueSize(), 0u);
    EXPECT_EQ(buffered().model().rowCount(), 1); // listed rows stay
    stick->send(2000, {x(7)});
    ASSERT_TRUE(rowsReach(2));
    EXPECT_EQ(cell(1, 0), "X Axis");
    EXPECT_EQ(cell(1, 2), "0"); // counting started again
    EXPECT_EQ(cell(1, 3), "0.000");
}

TEST_F(ViewsTest, FiltersHideRowsButEveryReportCounts) {
    trigger(Command::Buttons); // stick's window is active: buttons off
    EXPECT_FALSE(viewer.frame().commands().action(Command::Buttons)->isChecked());
    EXPECT_TRUE(viewer.frame().commands().action(Command::POVs)->isEnabled());
    stick->send(100, {button(1, true)});
    stick->send(120, {x(3)});
    ASSERT_TRUE(rowsReach(1));
    EXPECT_EQ(cell(0, 0), "X Axis");
    EXPECT_EQ(cell(0, 3), "50.000");
    trigger(Command::EllapsedTime);
    stick->send(130, {x(4)});
    ASSERT_TRUE(rowsReach(2));
    EXPECT_EQ(cell(1, 2), "130"); // the time stamp itself
}

TEST_F(ViewsTest, IntervalsOfTheLastSecondShowBesideTheList) {
    for (std::uint32_t t : {100u, 104u, 108u, 112u, 121u, 125u}) {
        stick->send(t, {x(static_cast<std::int32_t>(t))});
    }
    ASSERT_TRUE(rowsReach(6));
    auto* label = buffered().findChild<QLabel*>("reportIntervals");
    EXPECT_EQ(
        label->text(),
        QString::fromUtf8("Report interval (\u00b5s): min 4000  mean 5000  max 9000  jitter 2000"));
    trigger(Command::ClearAll);
    EXPECT_EQ(buffered().model().rowCount(), 0);
    EXPECT_EQ(label->text(), QString::fromUtf8("Report interval (\u00b5s): -"));
}

TEST_F(ViewsTest, SavingWritesTheHeaderAndTheRowsAndAFailureKeepsListing) {
    const QString empty = QString::fromStdString((viewer.folder / "empty.txt").string());
    viewer.prompts.saveAnswers = {empty};
    buffered();
    trigger(Command::SaveToFile);
    ASSERT_EQ(viewer.prompts.saveRequests.size(), 1u);
    EXPECT_EQ(viewer.prompts.saveRequests[0].proposedName, "Stick_Buffered.txt");
    EXPECT_EQ(viewer.prompts.saveRequests[0].defaultSuffix, "txt");
    EXPECT_EQ(volmar::test::readFileText(viewer.folder / "empty.txt"),
              "Report Number,Report Rate (Hz),Object Name,Object Value,Ellapsed Time (ms)\r\n");

    stick->send(40, {x(1)});
    stick->send(50, {button(3, true)});
    ASSERT_TRUE(rowsReach(2));
    const QString full = QString::fromStdString((viewer.folder / "full.txt").string());
    const QString bad = QString::fromStdString((viewer.folder / "no" / "such" / "x.txt").string());
    const QString folder = QString::fromStdString(viewer.folder.path().string());
    viewer.prompts.saveAnswers = {full, bad, folder, ""};
    trigger(Command::SaveToFile);
    const std::string text = volmar::test::readFileText(viewer.folder / "full.txt");
    EXPECT_NE(text.find("\r\n0,0.000,X Axis,"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n1,100.000,Button 3,DOWN,10\r\n"), std::string::npos) << text;
    EXPECT_TRUE(viewer.prompts.messages.empty());

    trigger(Command::SaveToFile);
    ASSERT_EQ(viewer.prompts.messages.size(), 1u);
    EXPECT_EQ(viewer.prompts.messages[0].caption, "ERROR");
    EXPECT_EQ(viewer.prompts.messages[0].text, "Could not create file");
    EXPECT_EQ(viewer.prompts.messages[0].icon, Prompts::Icon::Stop);
    EXPECT_FALSE(buffered().events().saving());
    trigger(Command::SaveToFile); // a folder of that name is not replaced
    EXPECT_EQ(viewer.prompts.messages.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(viewer.folder.path()));
    trigger(Command::SaveToFile); // cancelled: nothing written, nothing said
    EXPECT_EQ(viewer.prompts.messages.size(), 2u);
    stick->send(60, {x(2)});
    ASSERT_TRUE(rowsReach(3));
}

TEST_F(ViewsTest, ColumnsShareTheListsWidth) {
    CBufferedInputView& view = buffered();
    QTreeView* list = view.list();
    ASSERT_TRUE(waitUntil([&] { return list->viewport()->width() > 100; }, 5000));
    const int quarter = list->viewport()->width() / 4;
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->columnWidth(c), quarter) << c;
    }
}

} // namespace
} // namespace volmar::viewer::test
