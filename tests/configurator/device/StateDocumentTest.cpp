// The real configuration document: what a write refuses, what a hub load sets.
#include "volmar/core/LanguageRecord.h"
#include "volmar/device/ConfigDocument.h"

#include <gtest/gtest.h>

namespace volmar::device {
namespace {

class StateDocumentTest : public ::testing::Test {
protected:
    const TRecordLng& lng = englishLanguage();
    ConfigState state = startupState(lng);
    StateDocument doc{state, lng};

    void assignAxis(int axis, int port) {
        state.axes[axis].src = 2;
        state.axes[axis].name = 1;
        state.axes[axis].src_port = port;
    }
};

TEST_F(StateDocumentTest, InvalidConfigurationIsRefusedWithItsReportLine) {
    assignAxis(0, 41);
    assignAxis(1, 42); // the same assignment twice
    const EncodeOutcome out = doc.encodeImage(true);
    ASSERT_FALSE(out.ok());
    EXPECT_TRUE(state.ConfigHasErrors);
    EXPECT_EQ(out.refusal, state.chk_report_info);
}

TEST_F(StateDocumentTest, ConversionErrorLeavesTheImageAsItWas) {
    assignAxis(0, 41);
    osi_Change(state, lng, true);
    ASSERT_TRUE(doc.encodeImage(true).ok());
    const ConfigImage before = doc.image();
    state.dev_vid = "zz";
    const EncodeOutcome out = doc.encodeImage(true);
    ASSERT_FALSE(out.ok());
    EXPECT_NE(out.refusal.find("zz"), std::string::npos) << out.refusal;
    EXPECT_EQ(doc.image(), before);
}

TEST_F(StateDocumentTest, HubTypesOutsideTheListLeaveNoSelection) {
    doc.setHubTypes({1, 2, 3, 0xFF}, true);
    EXPECT_EQ(state.slv_type, (std::array<int, 4>{1, 2, kNoEntry, kNoEntry}));
    EXPECT_EQ(doc.hubTypes(), (std::array<std::uint8_t, 4>{1, 2, 0xFF, 0xFF}));
}

} // namespace
} // namespace volmar::device
