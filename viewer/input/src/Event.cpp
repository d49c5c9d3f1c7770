#include "volmar/input/Event.h"

#include <algorithm>
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

void EventFeeders::add(const std::shared_ptr<EventFeeder>& feeder) {
    std::lock_guard lock(m_lock);
    m_feeders.push_back(feeder);
}

void EventFeeders::remove(const EventFeeder* feeder) {
    std::lock_guard lock(m_lock);
    // One addition of this feeder goes, and any feeder that is gone.
    bool removed = false;
    std::erase_if(m_feeders, [&](const std::weak_ptr<EventFeeder>& weak) {
        const std::shared_ptr<EventFeeder> live = weak.lock();
        if (!live) {
            return true;
        }
        if (!removed && live.get() == feeder) {
            removed = true;
            return true;
        }
        return false;
    });
}

void EventFeeders::collect(std::vector<std::shared_ptr<EventFeeder>>& out) const {
    std::lock_guard lock(m_lock);
    for (const auto& weak : m_feeders) {
        std::shared_ptr<EventFeeder> live = weak.lock();
        if (live && std::find(out.begin(), out.end(), live) == out.end()) {
            out.push_back(std::move(live));
        }
    }
}

namespace {

constexpr std::size_t kMostEvents = 31;
constexpr std::size_t kMostFds = 64;

using Clock = std::chrono::steady_clock;

int remainingMs(bool forever, Clock::time_point deadline) {
    if (forever) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Resets the events `ready` marks, in list order: the first one only
// (`all` false) or every one; returns them as a bit mask.
int take(std::initializer_list<Event*> events, const pollfd* ready, bool all) {
    int set = 0;
    int index = 0;
    for (Event* e : events) {
        if ((ready[index].revents & POLLIN) != 0 && e->consume()) {
            set |= 1 << index;
            if (!all) {
                return set;
            }
        }
        ++index;
    }
    return set;
}

// Polls the events, and the feeders of theirs that have input, until one
// event is set; returns the reset ones as a bit mask.
int waitEvents(std::initializer_list<Event*> events, int timeoutMs, bool all) {
    if (events.size() > kMostEvents) {
        return kWaitFailed;
    }
    const bool forever = timeoutMs < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::array<pollfd, kMostFds> fds{};
    std::vector<std::shared_ptr<EventFeeder>> feeders;
    for (;;) {
        std::size_t count = 0;
        for (Event* e : events) {
            fds[count++] = {e->fd(), POLLIN, 0};
        }
        // Looked at anew each round: a device may come or go meanwhile.
        feeders.clear();
        for (Event* e : events) {
            e->feeders()->collect(feeders);
        }
        for (const auto& feeder : feeders) {
            if (count == fds.size()) {
                break;
            }
            // A negative descriptor (nothing to read now) is left out by poll().
            fds[count++] = {feeder->feedFd(), POLLIN, 0};
        }
        const int rc = ::poll(fds.data(), count, remainingMs(forever, deadline));
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kWaitFailed;
        }
        bool fed = false;
        for (std::size_t i = events.size(); i < count; ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0) {
                feeders[i - events.size()]->feed(fds[i].fd);
                fed = true;
            }
        }
        if (fed) {
            // What the reading set: looked at without waiting.
            for (std::size_t i = 0; i < events.size(); ++i) {
                fds[i].revents = 0;
            }
            if (::poll(fds.data(), events.size(), 0) < 0 && errno != EINTR) {
                return kWaitFailed;
            }
        }
        if (const int set = take(events, fds.data(), all); set != 0) {
            return set;
        }
        if (rc == 0 || (!forever && Clock::now() >= deadline)) {
            return kWaitTimeout;
        }
        // Nothing set (another waiter took it, or the input changed
        // nothing): wait again.
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
