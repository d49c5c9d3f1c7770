#pragma once

// An auto-reset event on an eventfd: set() wakes one wait, and any number of
// set() calls before that wait are answered by it. waitAnySet() is the
// reader threads' only blocking point.
//
// A device whose input sets an event may feed it: while a thread waits on
// the event, that thread reads the device itself when the device has input
// (and the reading sets the event), instead of a thread of the device's own
// reading it and then waking the waiter: one wake-up per report, not two.

#include "volmar/sysio/Fd.h"

#include <chrono>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace volmar::input {

class EventFeeder {
public:
    virtual ~EventFeeder() = default;
    // A descriptor that is readable while feed() has work; -1 for none.
    virtual int feedFd() = 0;
    // Reads what `fd` has without blocking; called by a waiting thread.
    virtual void feed(int fd) = 0;
};

// The feeders of one event. Shared with the feeders' interfaces, so that
// the event and they may go in either order.
class EventFeeders {
public:
    void add(const std::shared_ptr<EventFeeder>& feeder);
    // Removes one addition of the feeder.
    void remove(const EventFeeder* feeder);
    // Appends the live feeders not in `out` yet.
    void collect(std::vector<std::shared_ptr<EventFeeder>>& out) const;

private:
    mutable std::mutex m_lock;
    std::vector<std::weak_ptr<EventFeeder>> m_feeders;
};

class Event {
public:
    Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool valid() const { return m_fd.valid(); }
    // strerror text when the eventfd could not be made.
    const std::string& error() const { return m_error; }
    void set();
    // Clears the event; true when it was set.
    bool consume();
    int fd() const { return m_fd.get(); }
    const std::shared_ptr<EventFeeders>& feeders() const { return m_feeders; }

private:
    sysio::UniqueFd m_fd;
    std::string m_error;
    std::shared_ptr<EventFeeders> m_feeders = std::make_shared<EventFeeders>();
};

inline constexpr int kWaitTimeout = -1;
inline constexpr int kWaitFailed = -2;

// Blocks until one of the events is set (timeout < 0: forever) and resets
// the first set one in list order; returns its index, kWaitTimeout or
// kWaitFailed. Meanwhile it reads the events' feeders that have input.
int waitAny(std::initializer_list<Event*> events, int timeoutMs = -1);

// Blocks like waitAny() but resets every event that is set, so that one
// wake-up answers events set together; returns them as a bit mask (bit i
// for the i-th event, at most 31 events), kWaitTimeout or kWaitFailed.
int waitAnySet(std::initializer_list<Event*> events, int timeoutMs = -1);

} // namespace volmar::input
