// The decoder: configuration image -> editor state, in the order loading has
// always used (defaults, fields, axis rules in the middle, identity last).

#include "volmar/core/ImageCodec.h"
#include "volmar/core/NumberConversion.h"

#include "ImageCodecLayout.h"

namespace volmar {

using namespace layout;

namespace {

class ImageReader {
public:
    explicit ImageReader(const ConfigImage& image) : m_image(image) {}

    int get() {
        const int value = m_pos < m_image.size() ? m_image[m_pos] : 0;
        ++m_pos;
        return value;
    }
    int get16() {
        const int low = get();
        return low | (get() << 8);
    }
    std::size_t pos() const { return m_pos; }
    void skip(std::size_t count) { m_pos += count; }

private:
    const ConfigImage& m_image;
    std::size_t m_pos = 0;
};

void readAxis(ImageReader& r, AxisFields& a) {
    const int source = r.get();
    a.src = listIndex(source & 0x0F, kSourceEntries);
    a.src_chnl = listIndex(source >> 4, kChannelEntries);
    a.src_port = listIndex(r.get(), kPortEntries);
    const int shaping = r.get();
    a.filter = listIndex(shaping & 0x0F, kFilterEntries);
    a.invert = (shaping & 0x10) != 0;
    a.acal = listIndex(shaping >> 5, kAcalEntries);
    const int assignment = r.get();
    a.name = listIndex(assignment & 0x7F, kAssignmentEntries);
    a.offset = (assignment & 0x80) != 0;
    a.prcsn = listIndex(r.get(), kPrecisionEntries);
    a.ms_step = std::to_string(r.get());
    a.ms_btn_u = listIndex(r.get(), kButtonEntries);
    a.ms_btn = listIndex(r.get(), kButtonEntries);
    a.ms_btn_d = listIndex(r.get(), kButtonEntries);
    a.specfunc = listIndex(r.get(), kSpecFuncEntries);
    const int lowHigh = r.get();
    a.dzl = lowHigh & 0x0F;
    a.dzh = lowHigh >> 4;
    const int centreDynamic = r.get();
    a.dzc = centreDynamic & 0x0F;
    a.dzd = centreDynamic >> 4;
    a.acal_min = std::to_string(r.get16());
    a.acal_cen = std::to_string(r.get16());
    a.acal_max = std::to_string(r.get16());
}

void readCurve(ImageReader& r, CurveFields& c) {
    // Spin controls hold their value within their range.
    for (int& point : c.points) {
        point = clampInt(r.get(), 0, kCurvePointMax);
    }
    c.zm_knp = listIndex(r.get(), kButtonEntries);
    c.zm_del = std::to_string(r.get());
    c.zm_spd = std::to_string(r.get());
}

void readAxisRegion(ImageReader& r, ConfigState& s) {
    for (AxisFields& axis : s.axes) {
        readAxis(r, axis);
    }
    for (CurveFields& curve : s.curves) {
        readCurve(r, curve);
    }
    const int symmetry = r.get();
    for (int n = 0; n < kCurveCount; ++n) {
        if (symmetry & (1 << n)) {
            s.curves[n].symmetrical = true;
        }
    }
    s.sf_thr_bnom = listIndex(r.get(), kButtonEntries);
    s.sf_thr_bmod = listIndex(r.get(), kThrottleModeEntries);
    s.sf_thr_asrc = listIndex(r.get(), kAxisNumberEntries);
    s.sf_thr_adsc = listIndex(r.get(), kAxisNumberEntries);
    s.osi_vlsens_clk = listIndex(r.get(), kPortEntries);
}

// Everything of the button region up to the axis-to-button rows; the rest
// is read after the axis rules have run.
void readButtonRegion(ImageReader& r, ConfigState& s) {
    for (int& pin : s.hw_br) {
        pin = listIndex(r.get(), kPortEntries);
    }
    for (int& pin : s.hw_bc) {
        pin = listIndex(r.get(), kPortEntries);
    }
    ButtonMap& map = s.buttons;
    for (int row = 1; row < kGridRows; ++row) {
        map.hw[row] = r.get();
    }
    for (int row = 1; row <= kModeRows; ++row) {
        const int packed = r.get();
        map.mode[row] = listIndex(packed & 0x07, kModeEntries);
        map.shift[row] = listIndex((packed >> 3) & 0x07, kShiftEntries);
        map.timer[row] = listIndex(packed >> 6, kTimerEntries);
    }
    // The companion list gets entry 1 for a set bit 7 and entry 2 otherwise.
    for (int n = 0; n < kShiftKeys; ++n) {
        const int packed = r.get();
        s.btn_shift[n] = listIndex(packed & 0x7F, kShiftKeyEntries);
        s.typ_shift[n] = (packed & 0x80) ? 1 : 2;
    }
    for (int n = 0; n < kTimers; ++n) {
        const int packed = r.get();
        s.btn_timer[n] = listIndex(packed & 0x7F, kTimerDelayEntries);
        s.btn_timer_mode[n] = (packed & 0x80) ? 1 : 2;
    }
    for (Encoder& enc : s.enc) {
        enc.l = listIndex(r.get(), kButtonEntries);
        enc.r = listIndex(r.get(), kButtonEntries);
    }
    for (ShiftChain& chain : s.sr) {
        chain.prt = listIndex(r.get(), kPortEntries);
        chain.miso = listIndex(r.get(), kPortEntries);
        const int packed = r.get();
        chain.kol = clampInt(packed & 0x3F, 0, kChipCountMax);
        chain.len = listIndex(packed >> 6, kChipTypeEntries);
    }
    for (AxisButtonRow& row : s.ab) {
        row.b = listIndex(r.get(), kButtonEntries);
        row.a = listIndex(r.get(), kAxisNumberEntries);
        row.l = std::to_string(r.get());
        row.h = std::to_string(r.get());
    }
}

// dev_poll entry for a poll code; -1 for a code no entry stands for.
int pollEntry(int code) {
    switch (code) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 4:
        return 3;
    case 0: // images written before the code existed
    case 8:
        return 4;
    default:
        return -1;
    }
}

void readDeviceTail(ImageReader& r, ConfigState& s) {
    const int entry = pollEntry(r.get() >> 4); // 451; bit 0 is recomputed
    if (entry >= 0) {
        s.dev_poll = entry;
    }
    r.get(); // 452: the report length follows from the descriptor
    const int leds = r.get();
    if (leds & 0x01) {
        s.led_ws2811 = true;
    }
    if (leds & 0x02) {
        s.led_max7219 = true;
    }
    const auto red = static_cast<std::uint32_t>(r.get());
    const auto green = static_cast<std::uint32_t>(r.get());
    const auto blue = static_cast<std::uint32_t>(r.get());
    s.led_color_init = red + 256 * green + 65536 * blue;
    s.led_digbri = clampInt(r.get(), kBrightnessMin, kBrightnessMax);
    s.slv_port = listIndex(r.get(), kPortEntries);
    s.slv_cnfg = std::to_string(r.get());
    for (int& pin : s.stepper) {
        pin = listIndex(r.get(), kPortEntries);
    }
}

void readIdentity(ImageReader& r, ConfigState& s) {
    r.skip(2); // reserved
    const int vidLow = r.get();
    s.dev_vid = usbIdToText(static_cast<std::uint8_t>(vidLow), static_cast<std::uint8_t>(r.get()));
    const int pidLow = r.get();
    s.dev_pid = usbIdToText(static_cast<std::uint8_t>(pidLow), static_cast<std::uint8_t>(r.get()));
    UsbNameBytes name{};
    for (std::uint8_t& b : name) {
        b = static_cast<std::uint8_t>(r.get());
    }
    s.dev_name = usbNameText(name);
}

void checkRegion(RunOutcome& run, const char* name, std::size_t size, std::size_t pos) {
    if (pos != size) {
        run.messageBoxes.push_back(std::string(name) + "[" + std::to_string(size) + "] <> i[" +
                                   std::to_string(pos) + "]");
    }
}

} // namespace

RulesOutcome ReportToConfig(const ConfigImage& image, ConfigState& state, const TRecordLng& lng,
                            bool connected) {
    RulesOutcome outcome = btnClrConfigClick(state, lng, connected);
    ImageReader r(image);
    readAxisRegion(r, state);
    checkRegion(outcome.run, "CNF_REPORT_AXIS", kCnfReportAxis, r.pos());
    readButtonRegion(r, state);

    RulesOutcome rules = osi_Change(state, lng, connected);
    outcome.axes = rules.axes;
    outcome.run.append(rules.run);

    readDeviceTail(r, state);
    checkRegion(outcome.run, "CNF_REPORT+CNF_REPORT_AXIS", kCnfReportAxis + kCnfReport, r.pos());
    readIdentity(r, state);
    return outcome;
}

} // namespace volmar
