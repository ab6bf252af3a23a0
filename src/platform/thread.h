#pragma once
// Threads, ticks and sleeping.

#include <cstdint>
#include <functional>
#include <memory>

namespace vu::platform {

// A running thread. On Windows it holds a reference to the module that started it until its
// body has returned, so that unloading the module while the thread runs never unmaps code the
// thread is still running: the last reference is dropped by the thread's own exit.
class Thread {
public:
    // Starts body on a new thread; raises SystemError when the system refuses.
    static Thread Start(std::function<void()> body);

    Thread(Thread&& other) noexcept;
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    // Releases the thread without waiting for it.
    ~Thread();

    // Waits until the thread has ended. Must not be called on the thread itself.
    void Join();
    bool IsCurrent() const;

private:
    struct State;
    explicit Thread(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Milliseconds since the system started, wrapping at 2^32.
std::uint32_t TickCount();
void SleepMilliseconds(std::uint32_t milliseconds);
// An identifier of the calling thread, unique among running threads.
std::uint64_t CurrentThreadId();

}  // namespace vu::platform
