// The language switch of the main window, driven through `Translate`: the
// configuration comes back whole (image and button map), every caption the
// language gives and every list built from it follow, the report line
// speaks the new language, nothing is written to the current directory, the
// settings file keeps the choice, and a text that names no table reads none.

#include "WindowTestFixture.h"

#include "volmar/core/ButtonMap.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/Editing.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageSwitch.h"
#include "volmar/core/LanguageTables.h"
#include "volmar/core/ProgramSettings.h"
#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ButtonGridModel.h"
#include "volmar/editor/ButtonsPage.h"
#include "volmar/monitor/TACalBox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <set>

namespace volmar::app {
namespace {

namespace fs = std::filesystem;

constexpr int kRussian = 0;
constexpr int kGerman = 1;
constexpr int kEnglish = 2;
constexpr int kCroatian = 3;

const TRecordLng& record(int index) {
    return *languageRecord(index);
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

ConfigImage imageOf(ConfigState state) {
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    EXPECT_TRUE(ConfigToReport(state, image, log).ok());
    return image;
}

// The fields whose values differ, by name (the button map aside).
std::vector<std::string> differingFields(const ConfigState& a, const ConfigState& b) {
    std::vector<std::string> names;
    for (const auto* fields : {&configFields(), &editorOnlyFields()}) {
        for (const FieldDef& field : *fields) {
            if (fieldValue(field, a) != fieldValue(field, b)) {
                names.push_back(field.name);
            }
        }
    }
    return names;
}

// The calibration window and the about box have windows of their own.
const std::set<std::string_view> kOtherWindows = {
    "TACalBox",     "lbl_axis",  "lbl_axis_crn", "lbl_axis_min", "lbl_axis_cen",
    "lbl_axis_max", "ClrLimits", "SetCentr",     "SetAcal",      "TAboutBox"};

// Back to the folder the test started in when it goes, whatever happened.
struct CurrentDirectory {
    explicit CurrentDirectory(const fs::path& to) { fs::current_path(to); }
    ~CurrentDirectory() { fs::current_path(before); }
    fs::path before = fs::current_path();
};

class LanguageSwitch : public WindowTest {
protected:
    void switchTo(int index) {
        auto& translate = c<QComboBox>("Translate");
        ASSERT_NE(translate.currentIndex(), index);
        translate.setCurrentIndex(index);
    }

    // Something in nearly every family: axes of each kind, curves, zoom,
    // axis to button, double throttle, matrix, shift register, encoder,
    // shift keys with both types, timers, LEDs, identity and a button map
    // with every mode, shift and timer; settled by the axis rules.
    void configure() {
        ConfigState& s = state();
        for (int n = 0; n < 4; ++n) {
            AxisFields& a = s.axes[static_cast<std::size_t>(n)];
            a.src = 2 + n;
            a.src_port = 1 + n;
            a.name = 1 + n;
            a.prcsn = n;
            a.filter = 3 + 3 * n; // up to "x11"
            a.acal = 1 + n;       // every auto-calibration mode
            a.dzc = n;
        }
        s.axes[4].src = 1; // virtual: the relative buttons
        s.axes[4].name = 5;
        s.axes[4].ms_btn_u = 40;
        s.axes[4].ms_btn_d = 41;
        s.axes[4].ms_step = "40";
        s.curves[0].points = {0, 40, 80, 120, 160, 200, 150, 100, 50};
        s.curves[1].symmetrical = true;
        s.curves[1].zm_knp = 42;
        s.curves[1].zm_del = "4";
        s.curves[1].zm_spd = "2";
        s.ab[0] = {43, 2, "10", "90"};
        s.sf_thr_bnom = 44;
        s.sf_thr_bmod = 1;
        s.sf_thr_asrc = 1;
        s.sf_thr_adsc = 4;
        s.hw_br[0] = 17;
        s.hw_bc[0] = 25;
        s.sr[0] = {2, 9, 11, 2};
        s.enc[0] = {15, 16};
        s.btn_shift = {20, 21, 0, 0};
        s.typ_shift = {1, 2, 0, 0};
        s.btn_timer = {3, 10, 0};
        s.btn_timer_mode = {1, 2, 0};
        s.led_ws2811 = true;
        s.led_color_init = 0x00FF80;
        s.dev_name = "Pad";
        for (int row = 1; row <= 36; ++row) {
            s.buttons.hw[row] = row;
            s.buttons.mode[row] = row % 7;
            s.buttons.shift[row] = row % 5;
            s.buttons.timer[row] = row % 4;
        }
        s.buttons.hw[132] = 128;
        window->editor().axisRules();
    }

    // Every list shows the entry its field holds.
    void expectListsShowTheState() {
        int lists = 0;
        for (const FieldDef& field : configFields()) {
            if (field.kind != FieldKind::List) {
                continue;
            }
            ++lists;
            const int value = std::get<int>(fieldValue(field, state()));
            EXPECT_EQ(c<QComboBox>(field.name.c_str()).currentIndex(), value) << field.name;
        }
        EXPECT_GT(lists, 8 * 10);
    }

    // What a control shows as its caption.
    QString caption(QWidget& widget) {
        auto& pages = c<QTabWidget>("JvPageControl");
        if (const int tab = pages.indexOf(&widget); tab >= 0) {
            return pages.tabText(tab);
        }
        if (const auto* label = qobject_cast<QLabel*>(&widget)) {
            return label->text().replace('\n', ' '); // the axes headings: a word a line
        }
        if (const auto* button = qobject_cast<QAbstractButton*>(&widget)) {
            return button->text();
        }
        if (const auto* group = qobject_cast<QGroupBox*>(&widget)) {
            return group->title();
        }
        return widget.windowTitle();
    }

    editor::ButtonGrid& grid() { return window->buttonsPage().grid(); }
};

// The image decides what comes back: every field it holds, the button map,
// and for the few values it cannot tell apart (a timer without a mode reads
// back as "ON") what loading it gives.
TEST_F(LanguageSwitch, ToGermanAndBackKeepsEveryFieldAndTheButtonMap) {
    open();
    configure();
    ASSERT_FALSE(state().ConfigHasErrors) << state().chk_report_info;
    const ConfigState before = state();
    const ConfigImage image = imageOf(before);
    ConfigState loaded = startupState(englishLanguage());
    ReportToConfig(image, loaded, englishLanguage(), false);
    expectListsShowTheState();

    switchTo(kGerman);
    EXPECT_EQ(imageOf(state()), image);
    EXPECT_EQ(state().buttons, before.buttons);
    EXPECT_EQ(differingFields(state(), loaded), std::vector<std::string>{});
    expectListsShowTheState();
    const QString report = c<QLineEdit>("chk_report_info").text();
    EXPECT_TRUE(report.startsWith(q(record(kGerman).cfg_error_m))) << report.toStdString();
    EXPECT_EQ(c<QComboBox>("osi_2_acal").currentText(), q(record(kGerman).a_calibr_on_awoc));
    const ConfigState german = state();

    switchTo(kEnglish);
    EXPECT_EQ(imageOf(state()), image);
    EXPECT_EQ(state().buttons, before.buttons);
    EXPECT_EQ(differingFields(state(), german), std::vector<std::string>{});
    expectListsShowTheState();
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), q(before.chk_report_info));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
}

TEST_F(LanguageSwitch, EveryCaptionListAndGridTextFollowsTheLanguage) {
    open();
    for (int to : {kGerman, kRussian, kCroatian, kEnglish}) {
        SCOPED_TRACE(to);
        switchTo(to);
        const TRecordLng& lng = record(to);
        std::set<std::string_view> elsewhere;
        for (std::string_view name : captionedControls()) {
            auto* widget = window->findChild<QWidget*>(QString::fromUtf8(name.data(), name.size()));
            if (!widget) {
                elsewhere.insert(name);
                continue;
            }
            EXPECT_EQ(caption(*widget), q(*controlCaption(name, lng))) << name;
        }
        EXPECT_EQ(elsewhere, kOtherWindows);

        for (int axis = 1; axis <= kAxisCount; ++axis) {
            const std::string n = std::to_string(axis);
            EXPECT_EQ(c<QComboBox>(("osi_" + n + "_filter").c_str()).count(), 14);
            EXPECT_EQ(c<QComboBox>(("osi_" + n + "_src").c_str()).count(), 9);
        }
        for (const FieldDef& field : configFields()) {
            if (field.kind == FieldKind::List && listFollowsLanguage(field.list)) {
                auto& list = c<QComboBox>(field.name.c_str());
                QStringList shown;
                for (int i = 0; i < list.count(); ++i) {
                    shown << list.itemText(i);
                }
                QStringList wanted;
                for (const auto& entry : listEntries(field.list, lng)) {
                    wanted << q(entry);
                }
                EXPECT_EQ(shown, wanted) << field.name;
            }
        }
        EXPECT_EQ(c<QComboBox>("osi_3_src").accessibleName(), q(lng.lbl_dev_axe_src + " 3"));
        EXPECT_EQ(c<QLineEdit>("connect_status").text(), q(lng.plug_msg));

        // The grid: headings, row names, the in-cell lists.
        const editor::ButtonGridModel& model = grid().gridModel();
        for (int col = 0; col < kGridColumns; ++col) {
            EXPECT_EQ(model.headerData(col, Qt::Horizontal).toString(), q(gridHeading(col, lng)));
        }
        for (int row : {1, 2, 5, 132}) {
            EXPECT_EQ(model.cell(0, row).data().toString(), q(gridRowName(row, lng)));
        }
        const std::pair<const char*, EntryList> lists[] = {
            {"KnpGrid_CB_Mode", gridModeList(lng)},
            {"KnpGrid_CB_Shift", gridShiftList(lng)},
            {"KnpGrid_CB_TimOn", gridTimerList(lng)}};
        for (const auto& [name, entries] : lists) {
            auto& list = c<QComboBox>(name);
            ASSERT_EQ(list.count(), static_cast<int>(entries.size())) << name;
            EXPECT_EQ(list.itemText(list.count() - 1), q(entries.back())) << name;
        }

        // The windows opened afterwards read the record then.
        c<QPushButton>("btn_about").click();
        EXPECT_EQ(dialogs.aboutTitle, q(*controlCaption("TAboutBox", lng)));
        c<QPushButton>("btn_acal").click();
        auto* box = window->findChild<monitor::TACalBox*>();
        ASSERT_NE(box, nullptr);
        for (std::string_view name : kOtherWindows) {
            if (name == "TAboutBox") {
                continue;
            }
            QWidget* shown =
                name == "TACalBox"
                    ? box
                    : box->findChild<QWidget*>(QString::fromUtf8(name.data(), name.size()));
            ASSERT_NE(shown, nullptr) << name;
            EXPECT_EQ(caption(*shown), q(*controlCaption(name, lng))) << name;
        }
        box->close();
        ASSERT_TRUE(
            test::waitUntil([&] { return !window->findChild<monitor::TACalBox*>(); }, 5000));
        dialogs.answerFile({});
        c<QPushButton>("FileFirmBrowse").click();
        EXPECT_EQ(dialogs.fileTitles.last(), q(lng.lbl_firmware));
    }
}

// An editor open over a grid cell closes; the cells show the map in the new
// language.
TEST_F(LanguageSwitch, TheGridClosesItsEditorAndShowsTheMapAnew) {
    open();
    ConfigState& s = state();
    s.buttons.hw[6] = 3;
    s.buttons.mode[6] = 4; // Switch OFF
    s.buttons.shift[6] = 2;
    s.buttons.timer[6] = 3;
    window->editor().touch();
    const ButtonMap before = s.buttons;
    c<QTabWidget>("JvPageControl").setCurrentWidget(&c<QWidget>("TabKNP"));
    const QModelIndex mode = grid().gridModel().cell(2, 6);
    grid().selectionModel()->setCurrentIndex(mode, QItemSelectionModel::ClearAndSelect);
    grid().openEditor();
    ASSERT_TRUE(c<QComboBox>("KnpGrid_CB_Mode").isVisible());

    switchTo(kGerman);
    const TRecordLng& german = record(kGerman);
    EXPECT_FALSE(c<QComboBox>("KnpGrid_CB_Mode").isVisible());
    EXPECT_FALSE(grid().editState().editing);
    EXPECT_EQ(state().buttons, before);
    EXPECT_EQ(mode.data().toString(), q(gridModeList(german)[4]));
    EXPECT_EQ(grid().gridModel().cell(3, 6).data().toString(), q(gridShiftList(german)[2]));
    EXPECT_EQ(grid().gridModel().cell(4, 6).data().toString(), q(gridTimerList(german)[3]));
    // The columns are as wide as the longest German text.
    EXPECT_GE(grid().columnWidth(2),
              grid().fontMetrics().horizontalAdvance(q(gridModeList(german)[3])));
}

// Root may write into a folder without write permission, but not into one
// that is gone: both stand for a current directory the program cannot write.
TEST_F(LanguageSwitch, WorksInACurrentDirectoryItCannotWriteAndWritesNoFile) {
    open();
    configure();
    const ConfigImage image = imageOf(state());
    const test::TempDir parent;
    const fs::path readOnly = parent / "read-only";
    fs::create_directory(readOnly);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    {
        const CurrentDirectory here(readOnly);
        switchTo(kGerman);
        switchTo(kCroatian);
    }
    EXPECT_TRUE(fs::is_empty(readOnly));
    EXPECT_EQ(imageOf(state()), image);
    EXPECT_EQ(c<QPushButton>("btnRead_MK").text(), q(record(kCroatian).btnRead_MK));

    const fs::path gone = parent / "gone";
    fs::create_directory(gone);
    {
        const CurrentDirectory here(gone);
        fs::remove(gone);
        switchTo(kEnglish);
    }
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_EQ(imageOf(state()), image);
    EXPECT_EQ(c<QPushButton>("btnRead_MK").text(), q(record(kEnglish).btnRead_MK));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
}

TEST_F(LanguageSwitch, TheSettingsFileRecordsTheChoiceAndTheNextStartUsesIt) {
    open();
    switchTo(kCroatian);
    const ProgramSettings saved =
        parseProgramSettings(test::readFileText(folder / "VolmarSetup.ini"));
    EXPECT_EQ(saved.Translate, languageNames()[kCroatian]);

    open();
    EXPECT_EQ(c<QComboBox>("Translate").currentIndex(), kCroatian);
    EXPECT_EQ(c<QPushButton>("btnWrite_PC").text(), q(record(kCroatian).btnWrite_PC));
    const QString report = c<QLineEdit>("chk_report_info").text();
    EXPECT_TRUE(report.startsWith(q(record(kCroatian).cfg_error_m))) << report.toStdString();
}

TEST_F(LanguageSwitch, TheFirstStartIsInRussian) {
    open(false);
    const TRecordLng& russian = record(kRussian);
    EXPECT_EQ(c<QComboBox>("Translate").currentText(), q(ProgramSettings{}.Translate));
    EXPECT_EQ(c<QComboBox>("Translate").currentIndex(), kRussian);
    EXPECT_EQ(c<QLineEdit>("connect_status").text(), q(russian.plug_msg));
    EXPECT_EQ(c<QTabWidget>("JvPageControl").tabText(1), q(*controlCaption("TabOSI_SF", russian)));
    EXPECT_EQ(c<QComboBox>("osi_1_src").itemText(2), q(russian.axis_src_sens));
    window->close();
    const ProgramSettings saved =
        parseProgramSettings(test::readFileText(folder / "VolmarSetup.ini"));
    EXPECT_EQ(saved.Translate, ProgramSettings{}.Translate);
}

// An edited settings file: the text shows as it is, no table is read, the
// window stays in Russian; typing another text adds no entry and switches
// nothing.
TEST_F(LanguageSwitch, AnUnknownTranslateTextReadsNoTable) {
    test::writeFileText(folder / "VolmarSetup.ini", "[Main]\nTranslate=Klingon\n");
    open();
    auto& translate = c<QComboBox>("Translate");
    EXPECT_EQ(translate.currentText(), "Klingon");
    const TRecordLng& russian = record(kRussian);
    EXPECT_EQ(c<QPushButton>("btnRead_MK").text(), q(russian.btnRead_MK));
    EXPECT_TRUE(c<QLineEdit>("chk_report_info").text().startsWith(q(russian.cfg_error_m)));

    translate.lineEdit()->setText("Esperanto");
    QTest::keyClick(translate.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(translate.count(), kLanguageCount);
    EXPECT_EQ(c<QPushButton>("btnRead_MK").text(), q(russian.btnRead_MK));
    window->close();
    EXPECT_EQ(parseProgramSettings(test::readFileText(folder / "VolmarSetup.ini")).Translate,
              "Esperanto");

    // Choosing one of the four entries afterwards switches as ever.
    open();
    c<QComboBox>("Translate").setCurrentIndex(kGerman);
    EXPECT_EQ(c<QPushButton>("btnRead_MK").text(), q(record(kGerman).btnRead_MK));
}

} // namespace
} // namespace volmar::app
