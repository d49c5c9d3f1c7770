#include "volmar/input/Event.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace volmar::input {

Event::Event() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!m_fd) {
        m_error = std::strerror(errno);
    }
}

void Event::set() {
    const std::uint64_t one = 1;
    // EAGAIN means the counter is saturated: the event is set anyway.
    while (::write(m_fd.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool Event::consume() {
    std::uint64_t value = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd.get(), &value, sizeof value);
        if (n == static_cast<ssize_t>(sizeof value)) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

namespace {

constexpr std::size_t kMostEvents = 31;

// Polls the events until one is readable; resets the first readable one
// (`all` false) or every readable one, and returns them as a bit mask.
int waitEvents(std::initializer_list<Event*> events, int timeoutMs, bool all) {
    std::array<pollfd, kMostEvents> fds{};
    if (events.size() > fds.size()) {
        return kWaitFailed;
    }
    std::size_t count = 0;
    for (Event* e : events) {
        fds[count++] = {e->fd(), POLLIN, 0};
    }
    for (;;) {
        const int rc = ::poll(fds.data(), count, timeoutMs);
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kWaitFailed;
        }
        if (rc == 0) {
            return kWaitTimeout;
        }
        int set = 0;
        int index = 0;
        for (Event* e : events) {
            if ((fds[static_cast<std::size_t>(index)].revents & POLLIN) != 0 && e->consume()) {
                set |= 1 << index;
                if (!all) {
                    return set;
                }
            }
            ++index;
        }
        if (set != 0) {
            return set;
        }
        // Another waiter took them first: wait again.
    }
}

} // namespace

int waitAny(std::initializer_list<Event*> events, int timeoutMs) {
    const int set = waitEvents(events, timeoutMs, false);
    return set > 0 ? std::countr_zero(static_cast<unsigned>(set)) : set;
}

int waitAnySet(std::initializer_list<Event*> events, int timeoutMs) {
    return waitEvents(events, timeoutMs, true);
}

} // namespace volmar::input
