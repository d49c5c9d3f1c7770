#include "volmar/hid/HidrawBackend.h"

#include <QSocketNotifier>

namespace volmar::hid {

namespace {

class HidrawBackend final : public HidBackend {
public:
    explicit HidrawBackend(std::unique_ptr<hidraw::System> system) : m_system(std::move(system)) {
        const int fd = m_system->monitorFd();
        if (fd >= 0) {
            m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
                if (m_system->drainMonitor() && m_callback) {
                    m_callback();
                }
            });
        }
    }

    std::string name() const override { return "hidraw"; }

    std::vector<CollectionInfo> enumerate() override {
        std::vector<CollectionInfo> out;
        for (const hidraw::NodeFacts& facts : m_system->listNodes()) {
            const bool needDescriptor = facts.reportDescriptor.empty();
            const bool needLanguages =
                facts.hasUsbDevice && hidraw::serialMayBeLanguageTable(facts.usbSerial);
            const hidraw::NodeProbe probe = m_system->probe(facts, needDescriptor, needLanguages);
            for (CollectionInfo& info : hidraw::describeNode(facts, probe)) {
                out.push_back(std::move(info));
            }
        }
        return out;
    }

    Result<std::unique_ptr<HidNode>> open(const std::string& path) override {
        return m_system->open(path);
    }

    void setChangeCallback(std::function<void()> callback) override {
        m_callback = std::move(callback);
    }

private:
    std::unique_ptr<hidraw::System> m_system;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_callback;
};

} // namespace

std::unique_ptr<HidBackend> makeHidrawBackend(std::unique_ptr<hidraw::System> system) {
    return std::make_unique<HidrawBackend>(std::move(system));
}

} // namespace volmar::hid
