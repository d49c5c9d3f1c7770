#include "volmar/input/Event.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

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

int waitAny(std::initializer_list<Event*> events, int timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(events.size());
    for (Event* e : events) {
        fds.push_back({e->fd(), POLLIN, 0});
    }
    for (;;) {
        const int rc = ::poll(fds.data(), fds.size(), timeoutMs);
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kWaitFailed;
        }
        if (rc == 0) {
            return kWaitTimeout;
        }
        int index = 0;
        for (Event* e : events) {
            if ((fds[index].revents & POLLIN) != 0 && e->consume()) {
                return index;
            }
            ++index;
        }
        // Another waiter took it first: wait again.
    }
}

} // namespace volmar::input
