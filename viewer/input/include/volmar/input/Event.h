#pragma once

// An auto-reset event on an eventfd: set() wakes one wait, and any number of
// set() calls before that wait are answered by it. waitAnySet() is the
// reader threads' only blocking point.

#include "volmar/sysio/Fd.h"

#include <chrono>
#include <initializer_list>
#include <string>

namespace volmar::input {

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

private:
    sysio::UniqueFd m_fd;
    std::string m_error;
};

inline constexpr int kWaitTimeout = -1;
inline constexpr int kWaitFailed = -2;

// Blocks until one of the events is set (timeout < 0: forever) and resets
// the first set one in list order; returns its index, kWaitTimeout or
// kWaitFailed.
int waitAny(std::initializer_list<Event*> events, int timeoutMs = -1);

// Blocks like waitAny() but resets every event that is set, so that one
// wake-up answers events set together; returns them as a bit mask (bit i
// for the i-th event, at most 31 events), kWaitTimeout or kWaitFailed.
int waitAnySet(std::initializer_list<Event*> events, int timeoutMs = -1);

} // namespace volmar::input
