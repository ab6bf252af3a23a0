#pragma once
// The life cycle every worker has: created suspended, started, asked to terminate, waited for.

#include <atomic>
#include <optional>

#include "platform/thread.h"

namespace vu {

class TThread {
public:
    TThread() = default;  // suspended: nothing runs until Resume
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // Waits for a started thread to end (never on the thread itself). Most derived classes
    // call WaitFor in their own destructor, before their fields go.
    virtual ~TThread();

    // Starts the thread body; a second call does nothing.
    void Resume();
    // Asks the body to end; the body looks at Terminated() where it can stop.
    void Terminate() noexcept { terminated_.store(true); }
    bool Terminated() const noexcept { return terminated_.load(); }
    bool Suspended() const noexcept { return !thread_.has_value(); }
    // Waits until the started thread has ended; returns at once when it never started or when
    // called on the thread itself.
    void WaitFor();
    // Lets the object go without waiting: for a thread known to have left this module's code.
    void Abandon() noexcept { thread_.reset(); }

protected:
    virtual void Execute() = 0;

private:
    std::atomic<bool> terminated_{false};
    std::optional<platform::Thread> thread_;
};

}  // namespace vu
