// Which windows are open, what is stored of it and how the settings tree
// edits it, on device tables built by hand; the tiling of the windows and
// the lock lights.
#include "TempDir.h"
#include "volmar/viewer/LockIndicators.h"
#include "volmar/viewer/Tiling.h"
#include "volmar/viewer/WatchSettings.h"
#include "volmar/viewer/WatchTree.h"
#include "volmar/viewer/WindowSet.h"

#include <gtest/gtest.h>

#include <map>

namespace volmar::viewer {
namespace {

using input::DeviceClass;
using input::DeviceRecord;
using input::ObjectRecord;

constexpr std::uint32_t kAxis = input::DIDFT_ABSAXIS;
constexpr std::uint32_t kButton = input::DIDFT_PSHBUTTON;
constexpr std::uint32_t kPov = input::DIDFT_POV;

class MapStore : public WatchStore {
public:
    int readInt(const std::string& section, const std::string& key, int fallback) const override {
        const auto it = values.find({section, key});
        return it == values.end() ? fallback : it->second;
    }
    void writeInt(const std::string& section, const std::string& key, int value) override {
        values[{section, key}] = value;
    }
    std::map<std::pair<std::string, std::string>, int> values;
};

struct Table {
    Devices devices;

    DeviceRecord& add(const std::string& name, DeviceClass cls,
                      std::vector<std::pair<std::string, std::uint32_t>> objects) {
        auto d = std::make_unique<DeviceRecord>();
        d->instance.productName = name;
        d->deviceClass = cls;
        d->watched = 1;
        for (const auto& [objectName, type] : objects) {
            ObjectRecord o;
            o.device = d.get();
            o.object.name = objectName;
            o.object.type = type;
            o.watched = 1;
            d->objects.push_back(o);
        }
        devices.push_back(std::move(d));
        return *devices.back();
    }

    // A stick, a mouse and a keyboard, everything watched.
    Table() {
        add("Stick", DeviceClass::GameController,
            {{"X Axis", kAxis},
             {"Y Axis", kAxis},
             {"Button 1", kButton},
             {"Hat", kPov},
             {"Button 2", kButton}});
        add("Mouse", DeviceClass::Pointer, {{"X Axis", 1}, {"Left", kButton}});
        add("Keys", DeviceClass::Keyboard, {{"A", kButton}, {"B", kButton}});
    }
    DeviceRecord& device(std::size_t i) { return *devices[i]; }
    ObjectRecord& object(std::size_t d, std::size_t o) { return devices[d]->objects[o]; }
};

std::vector<std::string> describe(const WindowSet& set) {
    std::vector<std::string> out;
    for (const WindowKey& k : set.wanted) {
        out.push_back(k.device->instance.productName + "/" +
                      (k.buffered() ? std::string("Buffered") : k.object->object.name));
    }
    return out;
}

TEST(WindowSet, FirstRunWatchesControllersAndKeyboardsButNoPointers) {
    Table t;
    MapStore store;
    loadWatchSettings(t.devices, store);
    EXPECT_EQ(t.device(1).watched.load(), 0u);
    EXPECT_EQ(t.object(1, 0).watched, 0u);
    const WindowSet set = computeWindowSet(t.devices);
    // The Buffered window comes at the place of the first watched button.
    EXPECT_EQ(describe(set),
              (std::vector<std::string>{"Stick/X Axis", "Stick/Y Axis", "Stick/Buffered",
                                        "Stick/Hat", "Keys/Buffered"}));
    EXPECT_TRUE(set.classes.gameController);
    EXPECT_FALSE(set.classes.pointer);
    EXPECT_TRUE(set.classes.keyboard);
}

TEST(WindowSet, SavedChoicesComeBackAtTheNextStart) {
    Table t;
    MapStore store;
    loadWatchSettings(t.devices, store);
    t.object(0, 1).watched = 0; // Y Axis closed by hand
    saveWatchSettings(t.devices, store);
    EXPECT_EQ(store.values.at({"Settings", "Executed"}), 1);
    EXPECT_EQ(store.values.size(), 1u + 5 + 2 + 2); // one value per object, buttons included
    EXPECT_EQ(store.values.at({"Stick", "Y Axis"}), 0);
    EXPECT_EQ(store.values.at({"Mouse", "Left"}), 0);
    store.values[{"Stick", "Gone Axis"}] = 1; // a stored object that no longer exists

    Table next;
    next.device(2).objects[1].object.name = "New Key"; // never stored: unwatched
    store.values[{"Keys", "A"}] = 0;
    loadWatchSettings(next.devices, store);
    EXPECT_EQ(describe(computeWindowSet(next.devices)),
              (std::vector<std::string>{"Stick/X Axis", "Stick/Buffered", "Stick/Hat"}));
    // A device without any watched object is not watched; its class is off.
    EXPECT_EQ(next.device(2).watched.load(), 0u);
    EXPECT_FALSE(computeWindowSet(next.devices).classes.keyboard);
}

TEST(WindowSet, ObjectsOfAnUnwatchedDeviceGetNoWindowAndASingleButtonGetsOne) {
    Table t;
    t.device(0).watched = 0;
    for (ObjectRecord& o : t.device(2).objects) {
        o.watched = 0;
    }
    t.object(2, 1).watched = 1;
    EXPECT_EQ(describe(computeWindowSet(t.devices)),
              (std::vector<std::string>{"Mouse/X Axis", "Mouse/Buffered", "Keys/Buffered"}));
}

TEST(WindowSet, ABufferedWindowStandsForEveryButtonOfItsDevice) {
    Table t;
    const WindowKey buffered{&t.device(0), nullptr};
    const WindowKey x{&t.device(0), &t.object(0, 0)};
    EXPECT_TRUE(windowMatches(buffered, &t.device(0), &t.object(0, 2)));
    EXPECT_TRUE(windowMatches(buffered, &t.device(0), &t.object(0, 4)));
    EXPECT_TRUE(windowMatches(buffered, &t.device(0), nullptr));
    EXPECT_FALSE(windowMatches(buffered, &t.device(0), &t.object(0, 0)));
    EXPECT_FALSE(windowMatches(buffered, &t.device(2), &t.object(2, 0)));
    EXPECT_TRUE(windowMatches(x, &t.device(0), &t.object(0, 0)));
    EXPECT_FALSE(windowMatches(x, &t.device(0), &t.object(0, 1)));
    EXPECT_EQ(windowFor(&t.device(0), &t.object(0, 4)), buffered);
}

TEST(WatchTree, OneItemPerNonButtonObjectAndOneBufferedItemPerDevice) {
    Table t;
    t.object(0, 2).watched = 0; // first button off: the Buffered item follows it
    const WatchTree tree(t.devices);
    ASSERT_EQ(tree.devices().size(), 3u);
    std::vector<std::string> texts;
    for (const WatchChild& c : tree.devices()[0].children) {
        texts.push_back(c.text + (c.checked ? "+" : "-"));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"X Axis+", "Y Axis+", "Buffered-", "Hat+"}));
    ASSERT_EQ(tree.devices()[2].children.size(), 1u);
    EXPECT_EQ(tree.devices()[2].children[0].text, "Buffered");
}

TEST(WatchTree, UncheckingBufferedUnwatchesEveryButton) {
    Table t;
    WatchTree tree(t.devices);
    tree.clickChild(0, 2);
    EXPECT_TRUE(tree.devices()[0].checked); // a click on a child checks its device
    tree.apply();
    EXPECT_EQ(t.object(0, 2).watched, 0u);
    EXPECT_EQ(t.object(0, 4).watched, 0u);
    EXPECT_EQ(t.object(0, 0).watched, 1u);
    EXPECT_EQ(describe(computeWindowSet(t.devices)),
              (std::vector<std::string>{"Stick/X Axis", "Stick/Y Axis", "Stick/Hat", "Mouse/X Axis",
                                        "Mouse/Buffered", "Keys/Buffered"}));
}

TEST(WatchTree, CheckingOneAxisUnderAnUncheckedDeviceChecksTheDeviceOnly) {
    Table t;
    WatchTree tree(t.devices);
    tree.clickDevice(0); // off, and every child with it
    for (const WatchChild& c : tree.devices()[0].children) {
        EXPECT_FALSE(c.checked);
    }
    tree.clickChild(0, 1);
    EXPECT_TRUE(tree.devices()[0].checked);
    tree.apply();
    EXPECT_EQ(t.device(0).watched.load(), 1u);
    std::vector<std::uint32_t> flags;
    for (const ObjectRecord& o : t.device(0).objects) {
        flags.push_back(o.watched);
    }
    EXPECT_EQ(flags, (std::vector<std::uint32_t>{0, 1, 0, 0, 0}));
    tree.clickDevice(0);
    tree.clickDevice(0); // back on: every child on
    for (const WatchChild& c : tree.devices()[0].children) {
        EXPECT_TRUE(c.checked);
    }
}

TEST(WatchTree, AnUncheckedDeviceUnwatchesItsCheckedChildren) {
    Table t;
    WatchTree tree(t.devices);
    tree.setDevice(1, false);
    tree.setChild(1, 0, true);
    tree.setDevice(1, false); // unchecked again after a child was checked
    tree.apply();
    EXPECT_EQ(t.device(1).watched.load(), 0u);
    EXPECT_EQ(t.object(1, 0).watched, 0u);
    EXPECT_EQ(t.object(1, 1).watched, 0u);
}

TEST(Tiling, WindowsFillTheAreaInColumnsWithoutOverlapping) {
    for (int n = 1; n <= 13; ++n) {
        const std::vector<PixelRect> rects = tileHorizontally(n, 900, 600);
        ASSERT_EQ(rects.size(), static_cast<std::size_t>(n));
        long area = 0;
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const PixelRect& a = rects[i];
            EXPECT_GE(a.left, 0);
            EXPECT_LE(a.right, 900);
            EXPECT_LE(a.bottom, 600);
            area += long{a.right - a.left} * (a.bottom - a.top);
            for (std::size_t j = i + 1; j < rects.size(); ++j) {
                const PixelRect& b = rects[j];
                const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                                   b.bottom <= a.top;
                EXPECT_TRUE(apart) << n << " windows: " << i << " and " << j;
            }
        }
        EXPECT_GT(area, 900L * 600 * 95 / 100) << n << " windows leave the area empty";
    }
    // Three are full-width strips, five are two beside three.
    EXPECT_EQ(tileHorizontally(3, 900, 600)[2], (PixelRect{0, 400, 900, 600}));
    const std::vector<PixelRect> five = tileHorizontally(5, 900, 600);
    EXPECT_EQ(five[1], (PixelRect{0, 300, 450, 600}));
    EXPECT_EQ(five[4], (PixelRect{450, 400, 900, 600}));
    EXPECT_TRUE(tileHorizontally(0, 900, 600).empty());
}

TEST(LockIndicators, AnyLitKeyboardLightCounts) {
    test::TempDir leds;
    const auto light = [&](const std::string& name, const char* brightness) {
        std::filesystem::create_directories(leds / name);
        if (brightness != nullptr) {
            test::writeFileText(leds / name / "brightness", brightness);
        }
    };
    light("input3::capslock", "1\n");
    light("input3::numlock", "0\n");
    light("input7::numlock", "1\n");
    light("input3::scrolllock", nullptr); // unreadable: off
    light("phy0-led", "1\n");
    EXPECT_EQ(readLockState(leds.path()), (LockState{true, true, false}));
    EXPECT_EQ(readLockState(leds / "missing"), LockState{});
}

} // namespace
} // namespace volmar::viewer
