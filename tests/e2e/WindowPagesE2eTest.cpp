// The pages against volmar-sim: the sensor hub's identity, types and raw
// transfer, the register tool and the stepper move as the sim's frame log
// records them, and a configuration with every field set that goes to the
// controller from the window and comes back into every control.
#include "WindowFixture.h"

#include "volmar/core/ButtonMap.h"
#include "volmar/core/Editing.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ButtonGridModel.h"
#include "volmar/editor/ButtonsPage.h"
#include "volmar/editor/ColourBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>
#include <map>

namespace volmar::e2e {
namespace {

class PagesE2eTest : public WindowE2eTest {
protected:
    void connectToSim(std::vector<std::string> args) {
        startSim(std::move(args));
        openWindow();
        clickLine("VID:8888 PID:8888 Volmar2");
    }
    // The last frame the configurator set with command `code`.
    LoggedFrame lastSet(int code) {
        const auto frames = sim->frames();
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            if (it->set && it->command() == code) {
                return *it;
            }
        }
        ADD_FAILURE() << "no frame with command " << code;
        return {};
    }
    int framesWith(int code) {
        const auto frames = sim->frames();
        return static_cast<int>(std::count_if(frames.begin(), frames.end(), [code](const auto& f) {
            return f.set && f.command() == code;
        }));
    }
    void setText(const char* name, const char* text) { c<QLineEdit>(name).setText(text); }
    QString text(const char* name) { return c<QLineEdit>(name).text(); }
};

constexpr int kHubCommand = 20;

TEST_F(PagesE2eTest, HubIdentityCheckNamesTheIdentityTheBusAnswers) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    for (const Case& k :
         {Case{{}, "OK TLE5011HUB ID[AA]"}, Case{{"--hub-id", "55"}, "Error TLE5011HUB ID[55]"},
          Case{{"--no-hub"}, "Error TLE5011HUB ID[00]"}}) {
        SCOPED_TRACE(k.message);
        window.reset();
        sim.reset();
        dialogs.messages.clear();
        connectToSim(k.args);
        press("slv_check");
        EXPECT_EQ(dialogs.messages, QStringList({k.message}));
    }
}

TEST_F(PagesE2eTest, HubTypesAreSavedAndComeBackAfterAReadWithAHubPort) {
    connectToSim({});
    const int types[] = {1, 2, 0, 2};
    for (int n = 0; n < 4; ++n) {
        c<QComboBox>(("slv_type" + std::to_string(n + 1)).c_str()).setCurrentIndex(types[n]);
    }
    EXPECT_EQ(text("slv_cnfg"), "3") << "the rules count the configured types";
    EXPECT_EQ(press("slv_cnfg_save").second, Outcome::Completed);
    EXPECT_EQ(lastSet(kHubCommand).bytes[5], 0xFF) << "the save ends with its commit";

    // A read without a hub port leaves the hub alone.
    for (int n = 1; n <= 4; ++n) {
        c<QComboBox>(("slv_type" + std::to_string(n)).c_str()).setCurrentIndex(0);
    }
    const int hubFrames = framesWith(kHubCommand);
    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Completed));
    EXPECT_EQ(framesWith(kHubCommand), hubFrames);
    EXPECT_EQ(c<QComboBox>("slv_type2").currentIndex(), 0);

    // With a hub port stored on the controller, the read loads the types.
    c<QComboBox>("slv_port").setCurrentIndex(5);
    EXPECT_EQ(press("btnWrite_MK").second, Outcome::Completed);
    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::HubLoad, Outcome::Completed));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(c<QComboBox>(("slv_type" + std::to_string(n + 1)).c_str()).currentIndex(),
                  types[n])
            << n + 1;
    }
    EXPECT_EQ(text("slv_cnfg"), "3");
}

TEST_F(PagesE2eTest, StepperMoveSendsTheCountLowByteFirst) {
    connectToSim({});
    auto& steps = c<QSpinBox>("stepper_move");
    for (const auto& [count, low, high] : {std::tuple{-1, 0xFF, 0xFF}, {4000, 0xA0, 0x0F}}) {
        steps.setValue(count);
        EXPECT_EQ(press("btn_stepper_move"),
                  std::make_pair(Operation::StepperMove, Outcome::Completed));
        const LoggedFrame frame = lastSet(22);
        ASSERT_GE(frame.bytes.size(), 7u);
        EXPECT_EQ(frame.bytes[5], low) << count;
        EXPECT_EQ(frame.bytes[6], high) << count;
        EXPECT_EQ(frame.bytes[4], 0);
    }
}

TEST_F(PagesE2eTest, RawTransferAndRegisterToolShowTheReplies) {
    connectToSim({});
    // Hidden one by one, not only with their page.
    for (const char* name : {"slv_sof_t", "slv_sof_a", "slv_sof", "slv_data_len", "slv_data8",
                             "slv_data1_out", "BtnSlaveWrite", "BtnSlaveRst"}) {
        EXPECT_TRUE(c<QWidget>(name).isHidden()) << name;
    }
    EXPECT_FALSE(c<QWidget>("vltw_adr").isHidden());
    c<QComboBox>("slv_sof_t").setCurrentIndex(1); // write
    setText("slv_sof_a", "5");
    setText("slv_data_len", "3");
    setText("slv_data1", "7");
    setText("slv_data2", "300");
    c<QPushButton>("BtnSlaveWrite").click();
    EXPECT_EQ(text("slv_sof"), "133") << "before the exchange";
    ASSERT_TRUE(waitUntil([&] { return !window->link().busy(); }));
    const LoggedFrame raw = lastSet(kHubCommand);
    EXPECT_EQ(std::vector<std::uint8_t>(raw.bytes.begin() + 4, raw.bytes.begin() + 8),
              (std::vector<std::uint8_t>{3, 133, 7, 44}));
    EXPECT_EQ(text("slv_sof"), "133") << "the reply's start byte";
    EXPECT_EQ(text("slv_data1_out"), "7");
    EXPECT_EQ(text("slv_data2_out"), "44");
    c<QPushButton>("BtnSlaveRst").click();
    EXPECT_EQ(text("slv_data1"), "");
    EXPECT_EQ(text("slv_data2_out"), "");

    setText("vltw_adr", "3");
    setText("vltw_low", "300");
    setText("vltw_hgh", "1");
    EXPECT_EQ(press("vltw_set"), std::make_pair(Operation::RegisterWrite, Outcome::Completed));
    const LoggedFrame write = lastSet(26);
    EXPECT_EQ(std::vector<std::uint8_t>(write.bytes.begin() + 5, write.bytes.begin() + 8),
              (std::vector<std::uint8_t>{3, 44, 1}));
    EXPECT_EQ(text("vltw_adr_out"), "3");
    EXPECT_EQ(text("vltw_low_out"), "44");
    EXPECT_EQ(text("vltw_hgh_out"), "1");
    EXPECT_EQ(press("vltw_get_f"),
              std::make_pair(Operation::RegisterReadFixed, Outcome::Completed));
    EXPECT_EQ(text("vltw_adr_out"), "0");
    EXPECT_EQ(press("vltw_get"), std::make_pair(Operation::RegisterRead, Outcome::Completed));
    EXPECT_EQ(text("vltw_low_out"), "44");
    c<QPushButton>("vltw_clr").click();
    for (const char* emptied :
         {"vltw_low", "vltw_hgh", "vltw_low_out", "vltw_hgh_out", "vltw_reg_out"}) {
        EXPECT_EQ(text(emptied), "") << emptied;
    }
    EXPECT_EQ(text("vltw_adr"), "3");
    EXPECT_EQ(text("vltw_adr_out"), "3");
}

// Every field away from its start-up value wherever the axis rules let it
// be (a virtual axis has no calibration, a sensor axis no relative buttons,
// rows past joystick button 32 no mode), and consistent, so neither the
// rules nor validation change it.
ConfigState everyFieldSet() {
    const TRecordLng& lng = englishLanguage();
    ConfigState s = startupState(lng);
    for (int n = 0; n < kAxisCount; ++n) {
        AxisFields& a = s.axes[static_cast<std::size_t>(n)];
        a.src = n + 1; // virtual, IntSensor, KMA200 ... VLSens
        a.name = n + 1;
        a.src_port = 10 + n;
        a.src_chnl = a.src == 5 || a.src == 6 ? 3 + n : 0;
        a.prcsn = 1 + n % 4;
        a.specfunc = 1 + n % 6;
        a.dzl = 1 + n;
        a.dzc = 2 + n;
        a.dzh = 3 + n;
        a.dzd = 4 + n;
        a.offset = a.src == 3 || a.src == 7 || a.src == 8;
        if (a.src == 1) {
            a.ms_btn_d = 5;
            a.ms_btn = 6;
            a.ms_btn_u = 7;
            a.ms_step = "40";
            a.acal = 0;
            a.filter = 0;
        } else {
            a.invert = true;
            a.filter = 1 + n;
            a.acal = 1 + n % 4;
            a.acal_min = std::to_string(100 + n);
            a.acal_cen = std::to_string(2000 + n);
            a.acal_max = std::to_string(4000 + n);
        }
    }
    for (int n = 0; n < kCurveCount; ++n) {
        CurveFields& c = s.curves[static_cast<std::size_t>(n)];
        for (int k = 0; k < kCurvePoints; ++k) {
            c.points[static_cast<std::size_t>(k)] = (17 * n + 23 * k) % 201;
        }
        c.symmetrical = n % 2 == 1;
        c.zm_knp = 20 + n;
        c.zm_del = std::to_string(3 + n);
        c.zm_spd = std::to_string(150 + n);
    }
    for (int r = 0; r < kAxisButtonRows; ++r) {
        s.ab[static_cast<std::size_t>(r)] = {30 + r, 1 + r, std::to_string(10 + r),
                                             std::to_string(80 + r)};
    }
    s.sf_thr_bnom = 40;
    s.sf_thr_bmod = 2;
    s.sf_thr_asrc = 3;
    s.sf_thr_adsc = 4;
    s.osi_vlsens_clk = 33;
    for (int i = 0; i < kMatrixPins; ++i) {
        s.hw_br[static_cast<std::size_t>(i)] = 1 + i;
        s.hw_bc[static_cast<std::size_t>(i)] = 20 + i;
    }
    s.sr[0] = {1, 11, 13, 3};
    s.sr[1] = {2, 12, 14, 12};
    for (int e = 0; e < kEncoders; ++e) {
        s.enc[static_cast<std::size_t>(e)] = {50 + 2 * e, 51 + 2 * e};
    }
    for (int k = 0; k < kShiftKeys; ++k) {
        s.btn_shift[static_cast<std::size_t>(k)] = 100 + k;
        s.typ_shift[static_cast<std::size_t>(k)] = 1 + k % 2;
    }
    for (int t = 0; t < kTimers; ++t) {
        s.btn_timer[static_cast<std::size_t>(t)] = 2 + 4 * t;
        s.btn_timer_mode[static_cast<std::size_t>(t)] = 1 + t % 2;
    }
    for (int row = 1; row < kGridRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        s.buttons.hw[i] = (row * 37) % 128 + 1;
        if (row <= 36) {
            s.buttons.mode[i] = row % 7;
            s.buttons.shift[i] = row % 5;
            s.buttons.timer[i] = row % 4;
        }
    }
    s.led_ws2811 = true;
    s.led_max7219 = true;
    s.led_color_init = 0x123456;
    s.led_digbri = 3;
    s.stepper = {41, 42, 43, 44};
    s.slv_port = 45;
    s.slv_type = {1, 2, 1, 2}; // kept by the hub, counted into slv_cnfg
    s.dev_name = "Every Field";
    s.dev_vid = "1A2B";
    s.dev_pid = "3C4D";
    s.dev_poll = 3;
    osi_Change(s, lng, true);
    return s;
}

// What the control named after `field` shows, in the field's form.
FieldValue shown(QWidget& window, const FieldDef& field) {
    QWidget& widget = test::control<QWidget>(window, field.name.c_str());
    switch (field.kind) {
    case FieldKind::List:
        return static_cast<QComboBox&>(widget).currentIndex();
    case FieldKind::Edit:
        return static_cast<QLineEdit&>(widget).text().toStdString();
    case FieldKind::Check:
        return static_cast<QCheckBox&>(widget).isChecked();
    case FieldKind::Spin:
        return static_cast<QSpinBox&>(widget).value();
    case FieldKind::Colour:
        return static_cast<editor::ColourBox&>(widget).colour();
    }
    return {};
}

TEST_F(PagesE2eTest, EveryFieldGoesToTheControllerAndBackIntoEveryControl) {
    const ConfigState every = everyFieldSet();
    {
        // Consistent: another run of the rules changes nothing.
        ConfigState again = every;
        osi_Change(again, englishLanguage(), true);
        ASSERT_EQ(again, every);
    }
    // Every family of fields ("osi_#_invert", "hw_br_#") away from its
    // start-up value, at least where the rules let it be.
    const ConfigState start = startupState(englishLanguage());
    std::map<std::string, bool> familyChanged;
    for (const FieldDef& field : configFields()) {
        std::string family = field.name;
        std::replace_if(
            family.begin(), family.end(), [](char ch) { return ch >= '0' && ch <= '9'; }, '#');
        familyChanged[family] =
            familyChanged[family] || fieldValue(field, every) != fieldValue(field, start);
    }
    std::vector<std::string> unchanged;
    for (const auto& [family, changed] : familyChanged) {
        if (!changed) {
            unchanged.push_back(family);
        }
    }
    EXPECT_EQ(unchanged, std::vector<std::string>{});

    connectToSim({"--eeprom", path(folder / "eeprom.bin")});
    // The hub keeps its types; the configuration counts them.
    for (int n = 1; n <= kHubTypes; ++n) {
        c<QComboBox>(("slv_type" + std::to_string(n)).c_str())
            .setCurrentIndex(every.slv_type[static_cast<std::size_t>(n - 1)]);
    }
    ASSERT_EQ(press("slv_cnfg_save").second, Outcome::Completed);

    state() = every;
    window->editor().touch();
    ASSERT_EQ(press("btnWrite_MK"), std::make_pair(Operation::Write, Outcome::Completed));
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(state(), every) << "validation before the write changed nothing";
    expectEepromHolds(every, folder / "eeprom.bin");

    c<QPushButton>("btnClrConfig").click();
    ASSERT_NE(state(), every);
    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::HubLoad, Outcome::Completed));
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();

    for (const FieldDef& field : configFields()) {
        EXPECT_EQ(shown(*window, field), fieldValue(field, every)) << field.name;
    }
    for (const FieldDef& field : editorOnlyFields()) {
        if (field.name != "joy_hardware") { // the live data's, not the image's
            EXPECT_EQ(shown(*window, field), fieldValue(field, every)) << field.name;
        }
    }
    auto& model = window->findChild<editor::ButtonGrid*>("KnpGrid")->gridModel();
    for (int row = 1; row < kGridRows; ++row) {
        const auto texts = gridRowTexts(every, row, englishLanguage());
        for (int col = 1; col < kGridColumns; ++col) {
            EXPECT_EQ(model.cell(col, row).data().toString().toStdString(),
                      texts[static_cast<std::size_t>(col)])
                << "row " << row << " column " << col;
        }
    }
}

} // namespace
} // namespace volmar::e2e
