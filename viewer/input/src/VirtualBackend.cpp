#include "volmar/input/HidJoystick.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/vhid/Client.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace volmar::input {

namespace {

class VirtualSource : public Source {
public:
    VirtualSource(std::unique_ptr<vhid::Client> client, hidparse::ParsedDescriptor descriptor,
                  std::size_t collection)
        : m_client(std::move(client)), m_joystick(std::move(descriptor), collection) {}

    const std::vector<ObjectDesc>& objects() const override { return m_joystick.objects(); }
    int fd() const override { return m_client->fd(); }
    std::string error() const override { return m_error; }

    PumpStatus pump(FrameSink& sink) override {
        for (;;) {
            // Only what is waiting: the hub polls the socket itself.
            const Result<bool> read = m_client->takeInput(m_report);
            if (!read) {
                m_error = read.error().text; // ENODEV: the device closed
                return PumpStatus::Gone;
            }
            if (!*read) {
                return PumpStatus::Ok;
            }
            if (m_joystick.decode(m_report, nowMs(), m_frame) && !m_frame.changes.empty()) {
                sink.onFrame(m_frame);
            }
        }
    }

    bool snapshot(std::vector<std::int32_t>& values) override {
        values = m_joystick.values();
        return true;
    }

private:
    std::unique_ptr<vhid::Client> m_client;
    HidJoystick m_joystick;
    std::vector<std::uint8_t> m_report;
    Frame m_frame;
    std::string m_error;
};

struct Opened {
    std::unique_ptr<vhid::Client> client;
    hidparse::ParsedDescriptor descriptor;
    std::size_t collection = 0;
};

Result<Opened> connectDevice(const std::filesystem::path& socket) {
    auto client = vhid::Client::connect(socket);
    if (!client) {
        return client.error();
    }
    auto descriptor = hidparse::parseDescriptor((*client)->info().reportDescriptor);
    if (!descriptor) {
        return descriptor.error();
    }
    const auto collection = findGameCollection(*descriptor);
    if (!collection) {
        return Error{0, "no game controller collection"};
    }
    return Opened{std::move(*client), std::move(*descriptor), *collection};
}

class VirtualBackend : public Backend {
public:
    explicit VirtualBackend(std::filesystem::path folder) : m_folder(std::move(folder)) {}
    const char* name() const override { return "virtual"; }

    std::vector<DeviceInstance> enumerate(DeviceClass deviceClass) override {
        std::vector<DeviceInstance> out;
        if (deviceClass != DeviceClass::GameController) {
            return out;
        }
        std::error_code ec;
        std::vector<std::filesystem::path> sockets;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
            if (entry.path().extension() == ".sock") {
                sockets.push_back(entry.path());
            }
        }
        std::sort(sockets.begin(), sockets.end());
        for (const auto& socket : sockets) {
            auto opened = connectDevice(socket);
            if (!opened) {
                continue;
            }
            const vhid::DeviceInfo& info = opened->client->info();
            const hidparse::Collection& c = opened->descriptor.collections[opened->collection];
            DeviceInstance d;
            d.instanceId = "virtual:" + socket.string();
            d.path = socket.string();
            d.deviceClass = DeviceClass::GameController;
            d.productName = info.product.empty() ? socket.stem().string() : info.product;
            d.instanceName = d.productName;
            d.vendorId = info.vendorId;
            d.productId = info.productId;
            d.usagePage = c.usagePage;
            d.usage = c.usage;
            out.push_back(std::move(d));
        }
        return out;
    }

    Result<std::unique_ptr<Source>> open(const DeviceInstance& instance) override {
        auto opened = connectDevice(instance.path);
        if (!opened) {
            return opened.error();
        }
        if (const Status subscribed = opened->client->subscribe(); !subscribed) {
            return subscribed.error();
        }
        return std::unique_ptr<Source>(std::make_unique<VirtualSource>(
            std::move(opened->client), std::move(opened->descriptor), opened->collection));
    }

private:
    std::filesystem::path m_folder;
};

} // namespace

std::shared_ptr<Backend> makeVirtualBackend(std::filesystem::path folder) {
    return std::make_shared<VirtualBackend>(std::move(folder));
}

} // namespace volmar::input
