#include "platform/thread.h"

#include <pthread.h>
#include <time.h>

#include <thread>

namespace vu::platform {

struct Thread::State {
    std::thread thread;
};

Thread::Thread(std::unique_ptr<State> state) : state_(std::move(state)) {}
Thread::Thread(Thread&& other) noexcept = default;
Thread& Thread::operator=(Thread&& other) noexcept = default;

Thread::~Thread() {
    if (state_ && state_->thread.joinable()) state_->thread.detach();
}

Thread Thread::Start(std::function<void()> body) {
    auto state = std::make_unique<State>();
    state->thread = std::thread(std::move(body));
    return Thread(std::move(state));
}

void Thread::Join() {
    if (state_ && state_->thread.joinable()) state_->thread.join();
}

bool Thread::IsCurrent() const {
    return state_ && state_->thread.get_id() == std::this_thread::get_id();
}

std::uint32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint64_t CurrentThreadId() {
    return static_cast<std::uint64_t>(pthread_self());
}

}  // namespace vu::platform
