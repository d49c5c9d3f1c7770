#include "FakeInput.h"

#include "volmar/input/InputApi.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <sys/eventfd.h>
#include <unistd.h>

namespace volmar::viewer::test {

using namespace volmar::input;

// The reading end: frames wait in a queue, the eventfd says so.
class FakeSource : public Source {
public:
    explicit FakeSource(FakeDevice& device)
        : m_device(device), m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        std::lock_guard lock(m_device.m_mutex);
        m_device.m_sources.push_back(this);
    }
    ~FakeSource() override {
        {
            std::lock_guard lock(m_device.m_mutex);
            std::erase(m_device.m_sources, this);
        }
        ::close(m_fd);
    }

    const std::vector<ObjectDesc>& objects() const override { return m_device.m_objects; }
    int fd() const override { return m_fd; }
    std::string error() const override { return {}; }

    PumpStatus pump(FrameSink& sink) override {
        std::uint64_t count = 0;
        if (::read(m_fd, &count, sizeof count) < 0 && errno != EAGAIN) {
            return PumpStatus::Gone;
        }
        std::deque<Frame> frames;
        {
            std::lock_guard lock(m_mutex);
            frames.swap(m_frames);
        }
        for (const Frame& f : frames) {
            sink.onFrame(f);
        }
        return PumpStatus::Ok;
    }

    bool snapshot(std::vector<std::int32_t>& values) override {
        std::lock_guard lock(m_device.m_mutex);
        values = m_device.m_values;
        return true;
    }

    void push(const Frame& frame) {
        {
            std::lock_guard lock(m_mutex);
            m_frames.push_back(frame);
        }
        const std::uint64_t one = 1;
        EXPECT_EQ(::write(m_fd, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    }

private:
    FakeDevice& m_device;
    int m_fd;
    std::mutex m_mutex;
    std::deque<Frame> m_frames;
};

FakeDevice::FakeDevice(DeviceInstance instance, std::vector<ObjectDesc> objects)
    : m_instance(std::move(instance)), m_objects(std::move(objects)),
      m_values(m_objects.size(), 0) {}

std::uint32_t FakeDevice::object(const std::string& name) const {
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        if (m_objects[i].name == name) {
            return static_cast<std::uint32_t>(i);
        }
    }
    ADD_FAILURE() << "no object " << name;
    return 0;
}

void FakeDevice::send(std::uint32_t timeMs, std::initializer_list<Change> changes) {
    Frame frame{timeMs, changes};
    std::lock_guard lock(m_mutex);
    for (const Change& c : changes) {
        m_values.at(c.object) = c.value;
    }
    for (FakeSource* source : m_sources) {
        source->push(frame);
    }
}

std::unique_ptr<Source> FakeDevice::open() {
    return std::make_unique<FakeSource>(*this);
}

std::vector<DeviceInstance> FakeBackend::enumerate(DeviceClass deviceClass) {
    std::vector<DeviceInstance> out;
    for (const auto& d : m_devices) {
        if (d->instance().deviceClass == deviceClass) {
            out.push_back(d->instance());
        }
    }
    return out;
}

Result<std::unique_ptr<Source>> FakeBackend::open(const DeviceInstance& instance) {
    for (const auto& d : m_devices) {
        if (d->instance().instanceId == instance.instanceId) {
            return d->open();
        }
    }
    return Error{ENODEV, "not found"};
}

std::shared_ptr<FakeDevice> FakeBackend::add(std::shared_ptr<FakeDevice> device) {
    m_devices.push_back(device);
    return device;
}

namespace {

DeviceInstance instanceOf(const std::string& name, DeviceClass deviceClass, std::size_t n) {
    DeviceInstance d;
    d.instanceId = "fake:" + std::to_string(n);
    d.path = "/fake/" + std::to_string(n);
    d.productName = name;
    d.instanceName = name;
    d.deviceClass = deviceClass;
    return d;
}

ObjectDesc axis(ObjectKind kind, std::uint32_t bits, const char* name, std::uint16_t usage,
                std::int32_t max) {
    ObjectDesc o;
    o.kind = kind;
    o.typeBits = bits;
    o.name = name;
    o.usagePage = 1;
    o.usage = usage;
    o.logicalMax = max;
    return o;
}

ObjectDesc button(const std::string& name, std::uint16_t page, std::uint16_t usage,
                  std::uint32_t keyCode = 0) {
    ObjectDesc o;
    o.kind = keyCode != 0 ? ObjectKind::Key : ObjectKind::Button;
    o.typeBits = DIDFT_PSHBUTTON;
    o.name = name;
    o.usagePage = page;
    o.usage = usage;
    o.keyCode = keyCode;
    return o;
}

} // namespace

std::shared_ptr<FakeDevice> FakeBackend::addStick(const std::string& name, int buttons) {
    std::vector<ObjectDesc> objects = {axis(ObjectKind::XAxis, DIDFT_ABSAXIS, "X Axis", 0x30, 1023),
                                       axis(ObjectKind::YAxis, DIDFT_ABSAXIS, "Y Axis", 0x31, 1023),
                                       axis(ObjectKind::POV, DIDFT_POV, "Hat Switch", 0x39, 0)};
    for (int b = 1; b <= buttons; ++b) {
        objects.push_back(button("Button " + std::to_string(b), 9, static_cast<std::uint16_t>(b)));
    }
    return add(std::make_shared<FakeDevice>(
        instanceOf(name, DeviceClass::GameController, m_devices.size()), std::move(objects)));
}

std::shared_ptr<FakeDevice> FakeBackend::addKeyboard(const std::string& name) {
    return add(std::make_shared<FakeDevice>(
        instanceOf(name, DeviceClass::Keyboard, m_devices.size()),
        std::vector<ObjectDesc>{button("Esc", 7, 0x29, 0x01), button("A", 7, 0x04, 0x1E),
                                button("B", 7, 0x05, 0x30)}));
}

std::shared_ptr<FakeDevice> FakeBackend::addMouse(const std::string& name) {
    return add(std::make_shared<FakeDevice>(
        instanceOf(name, DeviceClass::Pointer, m_devices.size()),
        std::vector<ObjectDesc>{axis(ObjectKind::XAxis, DIDFT_RELAXIS, "X Axis", 0x30, 0),
                                axis(ObjectKind::YAxis, DIDFT_RELAXIS, "Y Axis", 0x31, 0),
                                axis(ObjectKind::ZAxis, DIDFT_RELAXIS, "Wheel", 0x38, 0),
                                button("Left", 9, 1), button("Right", 9, 2)}));
}

CDeviceManager::ApiFactory FakeBackend::factory() {
    return [this] {
        // The backend outlives every API made over it: the test owns both.
        std::shared_ptr<Backend> self(std::shared_ptr<Backend>{}, this);
        return std::make_unique<InputApi>(std::vector<std::shared_ptr<Backend>>{self});
    };
}

} // namespace volmar::viewer::test
