#pragma once

// evdev devices as input API objects: which objects a device has (from its
// capabilities) and how a stream of input_event records becomes frames.
// Shared by the real evdev backend and the scripted source of the tests.

#include "volmar/input/Source.h"

#include <cstdint>
#include <span>
#include <vector>

#include <linux/input.h>

namespace volmar::input {

struct EvdevAbs {
    std::uint16_t code = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t value = 0;
    std::uint32_t refusedQueries = 0; // see ObjectDesc
};

// What a node reports, plus the current values where the kernel keeps them.
struct EvdevCaps {
    std::vector<std::uint16_t> keys; // EV_KEY codes, ascending
    std::vector<EvdevAbs> abs;       // EV_ABS codes, ascending
    std::vector<std::uint16_t> rels; // EV_REL codes, ascending
    std::vector<std::uint16_t> keysDown;
};

struct EvdevLayout {
    std::vector<ObjectDesc> objects;
    // (type, code) -> object; -1 none. Hat axes map to their POV.
    std::vector<std::int32_t> keyObject; // by EV_KEY code
    std::vector<std::int32_t> absObject; // by EV_ABS code
    std::vector<std::int32_t> relObject; // by EV_REL code
};

// Objects of a device of the class: game controllers get axes, POVs (one per
// hat pair) and buttons numbered in the order the joystick interface has
// always used (BTN_MISC upwards, then the codes below it); pointers get X, Y
// and wheel and up to eight buttons; keyboards get the keys that have a
// place in the keyboard layout.
EvdevLayout buildEvdevLayout(const EvdevCaps& caps, DeviceClass deviceClass);

// Values of every object from a capability snapshot (relative axes 0).
std::vector<std::int32_t> evdevValues(const EvdevLayout& layout, const EvdevCaps& caps);

// Turns input_event records into frames: a frame ends at SYN_REPORT; after
// SYN_DROPPED everything up to the next SYN_REPORT is discarded and the
// stream reports Dropped (the reader must take a fresh snapshot).
class EvdevDecoder {
public:
    explicit EvdevDecoder(const EvdevLayout& layout);

    PumpStatus feed(std::span<const input_event> events, FrameSink& sink);
    // Resets the hat halves after a snapshot.
    void syncHats(const EvdevCaps& caps);

private:
    const EvdevLayout& m_layout;
    Frame m_frame;
    bool m_dropping = false;
    std::vector<std::int32_t> m_hatX; // by POV number
    std::vector<std::int32_t> m_hatY;
};

} // namespace volmar::input
