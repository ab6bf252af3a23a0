#pragma once
// The worker base that connects a worker to its host: the copy of the host's request and the
// synchronous notifications, which run the host's callback on the loading thread.

#include <atomic>
#include <cstdint>
#include <string>

#include "RaVuviraZut.h"
#include "transfer/custom_download_thread.h"

namespace vu {

class TSynDownloadThread : public TCustomDownloadThread {
public:
    explicit TSynDownloadThread(HttpClientFactory clientFactory = {});

    // Copies the host's record; the callback is taken from it.
    void TakeRequest(const UpdateRequest& request);
    const UpdateRequest& Request() const { return request_; }

    // Tells the host of an event and waits until its callback has run on the loading thread.
    // Returns the callback's result, or 0 at once when there is no callback.
    std::int32_t Notify(std::int32_t kind, std::int32_t code, std::int32_t value, const char* text);

    // Runs on the loading thread: calls the host's callback with the pending event, unless the
    // callback was detached meanwhile. Whatever the callback raises stays inside it.
    void CallHost();

    // Clears the callback: from then on the worker makes no call to the host.
    void DetachCallback() noexcept { callback_.exchange(nullptr); }
    bool HasCallback() const noexcept { return callback_.load() != nullptr; }

protected:
    // The end of a worker: sends its end message so the loading thread frees it. Nothing of the
    // worker may be touched after this returns.
    void SendEndMessage(std::uint32_t message, std::intptr_t lParam);

private:
    UpdateRequest request_{};
    std::atomic<HostCallback> callback_{nullptr};
    std::int32_t pendingKind_ = 0;
    std::int32_t pendingCode_ = 0;
    std::int32_t pendingValue_ = 0;
    const char* pendingText_ = nullptr;
    std::int32_t lastResult_ = 0;
};

}  // namespace vu
