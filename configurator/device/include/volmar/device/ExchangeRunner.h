#pragma once

// Runs one exchange with the controller as a list of steps, each after its
// wait, on a Scheduler: the waits the controller needs are kept exactly and
// the event loop keeps running between them. A step returns false to end the
// exchange early; steps may add further steps (an answer can decide what
// comes next).

#include "volmar/device/Scheduler.h"

#include <deque>
#include <functional>
#include <memory>

namespace volmar::device {

class ExchangeRunner {
public:
    using Action = std::function<bool()>;
    using Finish = std::function<void(bool completed)>;

    explicit ExchangeRunner(Scheduler& scheduler) : m_scheduler(scheduler) {}
    // Where transfer steps run (inline unless set); not while busy.
    void setExecutor(TransferExecutor& executor) { m_executor = &executor; }
    ~ExchangeRunner();

    bool busy() const { return m_busy; }

    // Starts a new exchange; false (and nothing runs) while one is running.
    bool start(Finish finish);
    // Appends a step: wait `waitMs`, then run `action`.
    void then(int waitMs, Action action);
    // A transfer step: after the wait, `before` runs here (false ends the
    // exchange), `work` on the executor (it may block), then `after` here,
    // deciding as an action does.
    void thenTransfer(int waitMs, Action before, std::function<void()> work, Action after);
    // A wait with nothing after it.
    void wait(int waitMs) {
        then(waitMs, [] { return true; });
    }

private:
    struct Step {
        int waitMs;
        Action action;
        std::function<void()> work; // empty for plain steps
        Action after;
    };
    void schedule();
    void runStep();
    void finish(bool completed);

    Scheduler& m_scheduler;
    InlineExecutor m_inline;
    TransferExecutor* m_executor = &m_inline;
    std::deque<Step> m_steps;
    Finish m_finish;
    bool m_busy = false;
    // Shared with pending scheduler tasks: they do nothing once the runner is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace volmar::device
