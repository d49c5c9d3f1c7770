// The encoder: editor state -> configuration image, byte by byte.

#include "volmar/core/Descriptor.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/NumberConversion.h"

#include "ImageCodecLayout.h"

#include <algorithm>

namespace volmar {

using namespace layout;

static_assert(kCnfReportAxis + kCnfReport + kCnfReportUsb == kConfigBytes,
              "the three regions make up what the controller keeps");

namespace {

// Appends bytes at the next free position. A configuration that stopped on a
// conversion error leaves `error` set; the caller then discards the image.
class ImageWriter {
public:
    explicit ImageWriter(ConfigImage& image) : m_image(image) {}

    void put(int value) {
        if (m_pos < m_image.size()) {
            m_image[m_pos] = static_cast<std::uint8_t>(value & 0xFF);
        }
        ++m_pos;
    }
    void put16(int value) {
        put(value & 0xFF);
        put((value >> 8) & 0xFF);
    }
    // A strictly converted edit: on failure the first error is kept and a 0
    // is written so positions stay right until the caller gives up.
    void putStrict(const std::string& text) {
        const IntConversion converted = strToInt(text);
        if (!converted.ok() && m_error.empty()) {
            m_error = converted.error;
        }
        put(converted.value);
    }
    void putLenient(const std::string& text) { put(strToIntDef(text)); }
    void putLenient16(const std::string& text) { put16(strToIntDef(text)); }

    std::size_t pos() const { return m_pos; }
    const std::string& error() const { return m_error; }
    void fail(const std::string& error) {
        if (m_error.empty()) {
            m_error = error;
        }
    }

private:
    ConfigImage& m_image;
    std::size_t m_pos = 0;
    std::string m_error;
};

int bit(bool ticked, int position) {
    return ticked ? 1 << position : 0;
}

// Axis record, 18 bytes:
//  0: source (bits 0-3) + channel (bits 4-7)    1: pin
//  2: filter (0-3) + invert (4) + auto-calibration (5-7)
//  3: assignment (0-6) + magnet offset (7)       4: precision
//  5: step of change, low 8 bits
//  6: increase, 7: return-to-centre, 8: decrease button
//  9: special function   10: dead zone low (0-3) + high (4-7)
// 11: dead zone centre (0-3) + dynamic (4-7)
// 12-13, 14-15, 16-17: calibration minimum, centre, maximum
void writeAxis(ImageWriter& w, const AxisFields& a) {
    w.put(listByte(a.src, kSourceEntries) + 16 * listByte(a.src_chnl, kChannelEntries));
    w.put(listByte(a.src_port, kPortEntries));
    w.put(listByte(a.filter, kFilterEntries) + bit(a.invert, 4) +
          32 * listByte(a.acal, kAcalEntries));
    w.put(listByte(a.name, kAssignmentEntries) + bit(a.offset, 7));
    w.put(listByte(a.prcsn, kPrecisionEntries));
    w.putStrict(a.ms_step);
    w.put(listByte(a.ms_btn_u, kButtonEntries));
    w.put(listByte(a.ms_btn, kButtonEntries));
    w.put(listByte(a.ms_btn_d, kButtonEntries));
    w.put(listByte(a.specfunc, kSpecFuncEntries));
    w.put(clampInt(a.dzl, 0, kDeadZoneMax) + 16 * clampInt(a.dzh, 0, kDeadZoneMax));
    w.put(clampInt(a.dzc, 0, kDeadZoneMax) + 16 * clampInt(a.dzd, 0, kDeadZoneMax));
    w.putLenient16(a.acal_min);
    w.putLenient16(a.acal_cen);
    w.putLenient16(a.acal_max);
}

// Curve record, 12 bytes: nine points, zoom button, divisor, reduction.
void writeCurve(ImageWriter& w, const CurveFields& c) {
    for (int point : c.points) {
        w.put(clampInt(point, 0, kCurvePointMax));
    }
    w.put(listByte(c.zm_knp, kButtonEntries));
    w.putStrict(c.zm_del);
    w.putStrict(c.zm_spd);
}

void writeAxisRegion(ImageWriter& w, const ConfigState& s) {
    for (const AxisFields& axis : s.axes) {
        writeAxis(w, axis);
    }
    for (const CurveFields& curve : s.curves) {
        writeCurve(w, curve);
    }
    int symmetry = 0; // 216: bit N-1 = curve N symmetrical
    for (int n = 0; n < kCurveCount; ++n) {
        symmetry += bit(s.curves[n].symmetrical, n);
    }
    w.put(symmetry);
    w.put(listByte(s.sf_thr_bnom, kButtonEntries));       // 217
    w.put(listByte(s.sf_thr_bmod, kThrottleModeEntries)); // 218
    w.put(listByte(s.sf_thr_asrc, kAxisNumberEntries));   // 219
    w.put(listByte(s.sf_thr_adsc, kAxisNumberEntries));   // 220
    w.put(listByte(s.osi_vlsens_clk, kPortEntries));      // 221
}

// dev_poll entries "-", "1", "2", "4", "8": the interval in ms as a bit
// value; "-" stands for the slowest.
int pollCode(int entry) {
    static constexpr int kCodes[kPollEntries] = {8, 1, 2, 4, 8};
    return entry >= 0 && entry < kPollEntries ? kCodes[entry] : 0;
}

void writeButtonRegion(ImageWriter& w, const ConfigState& s, bool joystickActive) {
    for (int pin : s.hw_br) { // 222..231
        w.put(listByte(pin, kPortEntries));
    }
    for (int pin : s.hw_bc) { // 232..241
        w.put(listByte(pin, kPortEntries));
    }
    const ButtonMap& map = s.buttons;
    for (int row = 1; row < kGridRows; ++row) { // 242..373
        w.put(hardwareByte(map.hw[row]));
    }
    for (int row = 1; row <= kModeRows; ++row) { // 374..409
        w.put(listByte(map.mode[row], kModeEntries) + 8 * listByte(map.shift[row], kShiftEntries) +
              64 * listByte(map.timer[row], kTimerEntries));
    }
    for (int n = 0; n < kShiftKeys; ++n) { // 410..413: key (0-6) + "ON" type (7)
        w.put(listByte(s.btn_shift[n], kShiftKeyEntries) + bit(s.typ_shift[n] == 1, 7));
    }
    for (int n = 0; n < kTimers; ++n) { // 414..416: delay (0-6) + "ON+OFF" (7)
        w.put(listByte(s.btn_timer[n], kTimerDelayEntries) + bit(s.btn_timer_mode[n] == 1, 7));
    }
    for (const Encoder& enc : s.enc) { // 417..428
        w.put(listByte(enc.l, kButtonEntries));
        w.put(listByte(enc.r, kButtonEntries));
    }
    for (const ShiftChain& chain : s.sr) { // 429..434: pin, data, count (0-5) + type (6-7)
        w.put(listByte(chain.prt, kPortEntries));
        w.put(listByte(chain.miso, kPortEntries));
        w.put(clampInt(chain.kol, 0, kChipCountMax) + 64 * listByte(chain.len, kChipTypeEntries));
    }
    for (const AxisButtonRow& row : s.ab) { // 435..450
        w.put(listByte(row.b, kButtonEntries));
        w.put(listByte(row.a, kAxisNumberEntries));
        w.putLenient(row.l);
        w.putLenient(row.h);
    }
    w.put(bit(joystickActive, 0) + 16 * pollCode(s.dev_poll));     // 451
    w.put(0);                                                      // 452: report length, later
    w.put(bit(s.led_ws2811, 0) + bit(s.led_max7219, 1));           // 453
    w.put(static_cast<int>(s.led_color_init & 0xFF));              // 454 red
    w.put(static_cast<int>((s.led_color_init >> 8) & 0xFF));       // 455 green
    w.put(static_cast<int>((s.led_color_init >> 16) & 0xFF));      // 456 blue
    w.put(clampInt(s.led_digbri, kBrightnessMin, kBrightnessMax)); // 457
    w.put(listByte(s.slv_port, kPortEntries));                     // 458
    w.putLenient(s.slv_cnfg);                                      // 459
    for (int pin : s.stepper) {                                    // 460..463
        w.put(listByte(pin, kPortEntries));
    }
}

void writeUsbId(ImageWriter& w, const std::string& text) {
    const UsbIdConversion id = usbIdFromText(text);
    if (!id.ok()) {
        w.fail(id.error);
    }
    w.put(id.low);
    w.put(id.high);
}

void writeIdentity(ImageWriter& w, const ConfigState& s) {
    w.put(0); // 464, 465 reserved
    w.put(0);
    writeUsbId(w, s.dev_vid);                         // 466..467
    writeUsbId(w, s.dev_pid);                         // 468..469
    for (std::uint8_t b : usbNameBytes(s.dev_name)) { // 470..489
        w.put(b);
    }
    w.put(0); // 490: descriptor length, later
}

std::string regionMessage(const char* name, std::size_t size, std::size_t pos) {
    return std::string(name) + "[" + std::to_string(size) + "] <> i[" + std::to_string(pos) + "]";
}

} // namespace

EncodeResult ConfigToReport(ConfigState& state, ConfigImage& image, DescriptorLog& log) {
    EncodeResult result;
    // Built aside: a configuration that fails to convert leaves the caller's
    // image and listing as they were, so nothing half-written can be sent or
    // saved by mistake.
    ConfigImage out{};
    ImageWriter w(out);
    const DescriptorInput presence = descriptorInput(state);

    writeAxisRegion(w, state);
    if (w.pos() != kCnfReportAxis) {
        result.messageBoxes.push_back(regionMessage("CNF_REPORT_AXIS", kCnfReportAxis, w.pos()));
    }
    writeButtonRegion(w, state, presence.active());
    if (w.pos() != kCnfReportAxis + kCnfReport) {
        result.messageBoxes.push_back(
            regionMessage("CNF_REPORT+CNF_REPORT_AXIS", kCnfReportAxis + kCnfReport, w.pos()));
    }
    writeIdentity(w, state);
    if (!w.error().empty()) {
        result.conversionError = w.error();
        return result;
    }

    const JoystickDescriptor descriptor = generateDescriptor(presence);
    const std::size_t n = descriptor.bytes.size();
    out[kReportLengthAt] = static_cast<std::uint8_t>(descriptor.reportBytes);
    out[kDescriptorLengthAt] = static_cast<std::uint8_t>(std::min<std::size_t>(n, 255));
    // The room ends with the configuration; never write past it, whatever
    // the length check below says.
    const std::size_t room = kConfigBytes - kDescriptorBytesAt;
    std::copy_n(descriptor.bytes.begin(), std::min(n, room), out.begin() + kDescriptorBytesAt);
    if (n > kMaxDescriptorBytes) {
        result.descriptorTooLong = true;
        state.ConfigHasErrors = true;
        state.chk_report_info = kDescriptorTooLongText;
    }

    image = out;
    log.assign(kDescriptorLogLines, std::string());
    std::copy_n(descriptor.listing.begin(), std::min(descriptor.listing.size(), log.size()),
                log.begin());
    return result;
}

} // namespace volmar
