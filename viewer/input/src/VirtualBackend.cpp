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
            const int rc = m_client->readInput(m_report, 0);
            if (rc == ETIMEDOUT) {
                return PumpStatus::Ok;
            }
            if (rc != 0) {
                m_error = std::strerror(rc); // ENODEV: the device closed
                return PumpStatus::Gone;
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

std::optional<Opened> connectDevice(const std::filesystem::path& socket, std::string& error) {
    auto client = vhid::Client::connect(socket, error);
    if (!client) {
        return std::nullopt;
    }
    auto descriptor = hidparse::parseDescriptor(client->info().reportDescriptor, error);
    if (!descriptor) {
        return std::nullopt;
    }
    const auto collection = findGameCollection(*descriptor);
    if (!collection) {
        error = "no game controller collection";
        return std::nullopt;
    }
    return Opened{std::move(client), std::move(*descriptor), *collection};
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
            std::string error;
            auto opened = connectDevice(socket, error);
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

    std::unique_ptr<Source> open(const DeviceInstance& instance, std::string& error) override {
        auto opened = connectDevice(instance.path, error);
        if (!opened) {
            return nullptr;
        }
        const int rc = opened->client->subscribe();
        if (rc != 0) {
            error = std::strerror(rc);
            return nullptr;
        }
        return std::make_unique<VirtualSource>(std::move(opened->client),
                                               std::move(opened->descriptor), opened->collection);
    }

private:
    std::filesystem::path m_folder;
};

} // namespace

std::shared_ptr<Backend> makeVirtualBackend(std::filesystem::path folder) {
    return std::make_shared<VirtualBackend>(std::move(folder));
}

} // namespace volmar::input
