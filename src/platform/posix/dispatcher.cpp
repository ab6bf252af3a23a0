#include "platform/dispatcher.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vu::platform {

namespace {

// Messages wait in a queue until the owner thread drains it; a sender waits on its own entry.
class QueueDispatcher final : public Dispatcher {
public:
    explicit QueueDispatcher(Handler handler)
        : handler_(std::move(handler)), owner_(std::this_thread::get_id()) {}

    ~QueueDispatcher() override {
        std::unique_lock lock(mutex_);
        closed_ = true;
        for (const auto& entry : queue_) entry->done = true;
        queue_.clear();
        answered_.notify_all();
        // Senders still inside Send refer to this object until they have seen their answer.
        sendersLeft_.wait(lock, [this] { return waitingSenders_ == 0; });
    }

    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override {
        if (IsOwnerThread()) return Run(message, wParam, lParam);
        const auto entry = std::make_shared<Entry>(Entry{message, wParam, lParam, true});
        std::unique_lock lock(mutex_);
        if (closed_) return 0;
        queue_.push_back(entry);
        ++waitingSenders_;
        answered_.wait(lock, [&] { return entry->done; });
        --waitingSenders_;
        sendersLeft_.notify_all();
        return entry->result;
    }

    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        queue_.push_back(std::make_shared<Entry>(Entry{message, wParam, lParam, false}));
        return true;
    }

    int DispatchPending() override {
        if (!IsOwnerThread()) return 0;
        int count = 0;
        for (;;) {
            std::shared_ptr<Entry> entry;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty()) return count;
                entry = queue_.front();
                queue_.pop_front();
            }
            const std::intptr_t result = Run(entry->message, entry->wParam, entry->lParam);
            ++count;
            std::lock_guard lock(mutex_);
            entry->result = result;
            entry->done = true;
            answered_.notify_all();
        }
    }

    bool IsOwnerThread() const override { return std::this_thread::get_id() == owner_; }

private:
    struct Entry {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool sent;
        bool done = false;
        std::intptr_t result = 0;
    };

    std::intptr_t Run(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        return handler_(message, wParam, lParam).value_or(0);
    }

    Handler handler_;
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable answered_;
    std::condition_variable sendersLeft_;
    std::deque<std::shared_ptr<Entry>> queue_;
    int waitingSenders_ = 0;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<Dispatcher> Dispatcher::Create(Handler handler, const std::string&) {
    return std::make_unique<QueueDispatcher>(std::move(handler));
}

}  // namespace vu::platform
