#include "volmar/device/ExchangeRunner.h"

#include <memory>

namespace volmar::device {

ExchangeRunner::~ExchangeRunner() {
    *m_alive = false;
}

bool ExchangeRunner::start(Finish finish) {
    if (m_busy) {
        return false;
    }
    m_busy = true;
    m_steps.clear();
    m_finish = std::move(finish);
    // The first step runs from the event loop, never inside the caller.
    m_scheduler.after(0, [this, alive = m_alive] {
        if (*alive) {
            schedule();
        }
    });
    return true;
}

void ExchangeRunner::then(int waitMs, Action action) {
    m_steps.push_back({waitMs, std::move(action), {}, {}});
}

void ExchangeRunner::thenTransfer(int waitMs, Action before, std::function<void()> work,
                                  Action after) {
    m_steps.push_back({waitMs, std::move(before), std::move(work), std::move(after)});
}

void ExchangeRunner::schedule() {
    if (m_steps.empty()) {
        finish(true);
        return;
    }
    const int wait = m_steps.front().waitMs;
    if (wait <= 0) {
        runStep();
        return;
    }
    m_scheduler.after(wait, [this, alive = m_alive] {
        if (*alive) {
            runStep();
        }
    });
}

void ExchangeRunner::runStep() {
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    if (!step.action()) {
        finish(false);
        return;
    }
    if (!step.work) {
        schedule();
        return;
    }
    m_executor->run(std::move(step.work), [this, alive = m_alive, after = std::move(step.after)] {
        if (!*alive) {
            return;
        }
        if (!after()) {
            finish(false);
            return;
        }
        schedule();
    });
}

void ExchangeRunner::finish(bool completed) {
    m_steps.clear();
    m_busy = false;
    Finish done = std::move(m_finish);
    m_finish = nullptr;
    if (done) {
        done(completed);
    }
}

} // namespace volmar::device
