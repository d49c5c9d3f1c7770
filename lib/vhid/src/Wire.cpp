#include "volmar/vhid/Wire.h"

#include <cstdlib>
#include <unistd.h>

namespace volmar::vhid {

namespace {

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
    }
}

// Lengths are 16-bit on the wire; anything longer could never fit in one
// packet anyway, so it is cut rather than wrapped.
void putBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 0xFFFF);
    putU16(out, static_cast<std::uint16_t>(n));
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

// Bounds-checked reader over a received payload: every read either succeeds
// completely or marks the reader failed.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::uint16_t u16() {
        if (!need(2)) {
            return 0;
        }
        const std::uint16_t v =
            static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }

    std::vector<std::uint8_t> bytes() {
        const std::size_t n = u16();
        if (!need(n)) {
            return {};
        }
        std::vector<std::uint8_t> v(m_data.begin() + static_cast<std::ptrdiff_t>(m_pos),
                                    m_data.begin() + static_cast<std::ptrdiff_t>(m_pos + n));
        m_pos += n;
        return v;
    }

    std::string text() {
        const std::vector<std::uint8_t> raw = bytes();
        return std::string(raw.begin(), raw.end());
    }

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_data.size(); }

private:
    bool need(std::size_t n) {
        if (!m_ok || m_data.size() - m_pos < n) {
            m_ok = false;
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// The payload shape each message type must have; anything else is a
// malformed packet and is dropped before it reaches a handler.
bool payloadFits(MsgType type, std::size_t size) {
    switch (type) {
    case MsgType::Info:
        return true; // checked by decodeInfo
    case MsgType::SetFeature:
    case MsgType::Input:
        return size >= 1;
    case MsgType::SetFeatureReply:
        return size == 4;
    case MsgType::GetFeature:
        return size == 3;
    case MsgType::GetFeatureReply:
        return size >= 4;
    case MsgType::Subscribe:
        return size == 0;
    }
    return false;
}

} // namespace

std::filesystem::path deviceFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::filesystem::path(runtime) / "volmar" / "virtual";
    }
    return std::filesystem::path("/tmp") / ("volmar-" + std::to_string(::getuid())) / "virtual";
}

std::filesystem::path lockFileOf(const std::filesystem::path& socket) {
    std::filesystem::path lock = socket;
    lock.replace_extension(".lock");
    return lock;
}

std::vector<std::uint8_t> encodeMessage(const Message& msg) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + msg.payload.size());
    out.push_back(static_cast<std::uint8_t>(msg.type));
    putU32(out, msg.tag);
    out.insert(out.end(), msg.payload.begin(), msg.payload.end());
    return out;
}

std::optional<Message> decodeMessage(std::span<const std::uint8_t> packet) {
    if (packet.size() < kHeaderSize || packet.size() > kMaxMessage) {
        return std::nullopt;
    }
    const std::uint8_t type = packet[0];
    if (type < static_cast<std::uint8_t>(MsgType::Info) ||
        type > static_cast<std::uint8_t>(MsgType::Input)) {
        return std::nullopt;
    }
    Message msg;
    msg.type = static_cast<MsgType>(type);
    msg.tag = static_cast<std::uint32_t>(packet[1]) | (static_cast<std::uint32_t>(packet[2]) << 8) |
              (static_cast<std::uint32_t>(packet[3]) << 16) |
              (static_cast<std::uint32_t>(packet[4]) << 24);
    if (!payloadFits(msg.type, packet.size() - kHeaderSize)) {
        return std::nullopt;
    }
    msg.payload.assign(packet.begin() + kHeaderSize, packet.end());
    return msg;
}

// Info payload: vendor id, product id, version (16-bit LE each), then
// manufacturer, product, serial and the report descriptor, each as a 16-bit
// LE length followed by that many bytes. Nothing may follow.
std::vector<std::uint8_t> encodeInfo(const DeviceInfo& info) {
    std::vector<std::uint8_t> out;
    putU16(out, info.vendorId);
    putU16(out, info.productId);
    putU16(out, info.version);
    for (const std::string* s : {&info.manufacturer, &info.product, &info.serial}) {
        putBytes(out, std::span(reinterpret_cast<const std::uint8_t*>(s->data()), s->size()));
    }
    putBytes(out, info.reportDescriptor);
    return out;
}

std::optional<DeviceInfo> decodeInfo(std::span<const std::uint8_t> payload) {
    Reader in(payload);
    DeviceInfo info;
    info.vendorId = in.u16();
    info.productId = in.u16();
    info.version = in.u16();
    info.manufacturer = in.text();
    info.product = in.text();
    info.serial = in.text();
    info.reportDescriptor = in.bytes();
    if (!in.ok() || !in.atEnd()) {
        return std::nullopt;
    }
    return info;
}

} // namespace volmar::vhid
