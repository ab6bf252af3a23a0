#pragma once
// Hands messages to the thread that created the dispatcher: on Windows a hidden message-only
// window owned by that thread, on Linux a queue that the thread drains when its host asks.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vu::platform {

class Dispatcher {
public:
    // Runs on the owner thread. Nullopt leaves the message to the system's default handling.
    using Handler = std::function<std::optional<std::intptr_t>(
        std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

    // Creates the dispatcher on, and for, the calling thread; raises SystemError on failure.
    // The window carries the caption given.
    static std::unique_ptr<Dispatcher> Create(Handler handler, const std::string& caption);

    // On the owner thread the window is destroyed at once. On any other thread (the module
    // unloading on a worker's last exit) it is made inert, handled by the system from then on,
    // and closed on the owner thread's next dispatch. Senders still waiting get 0.
    virtual ~Dispatcher() = default;

    // Runs the handler on the owner thread with the message and waits for its result (0 once
    // the dispatcher is gone). Called on the owner thread, the handler runs directly.
    virtual std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) = 0;
    // Queues the message for the owner thread and returns at once.
    virtual bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Runs the waiting messages on the calling thread, which must be the owner, and returns how
    // many posted ones ran. On Windows a host's own message loop does the same.
    virtual int DispatchPending() = 0;

    virtual bool IsOwnerThread() const = 0;
};

}  // namespace vu::platform
