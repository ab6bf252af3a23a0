#pragma once
// The dispatcher window: created on the thread that loads the library, it runs every call of
// the host's callback and every release of a finished worker on that thread, and starts and
// stops update jobs.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "RaVuviraZut.h"
#include "platform/dispatcher.h"

namespace vu {

class TSynDownloadThread;
class TDownloadThread;

inline constexpr std::uint32_t kNotifyMessage = 0x4D3;
inline constexpr std::uint32_t kJobEndedMessage = 0x52C;
inline constexpr std::uint32_t kVersionListEndedMessage = 0x590;

// Makes the job object for a request; tests substitute their own jobs.
using JobFactory = std::function<std::unique_ptr<TDownloadThread>()>;

class TDllMainForm {
public:
    // Runs on the loading thread; raises when the window cannot be created. An empty factory
    // makes the library's own jobs.
    explicit TDllMainForm(JobFactory jobFactory = {});
    // Stops the current job with its callback detached, without waiting.
    ~TDllMainForm();
    TDllMainForm(const TDllMainForm&) = delete;
    TDllMainForm& operator=(const TDllMainForm&) = delete;

    // Stops the current job silently, resets the working paths and starts a job for the
    // request; the job becomes the current one.
    void StartJob(const UpdateRequest& request);
    // Starts a version list fetch for the request. Fetches are not tracked: each one ends by
    // itself and is freed on its end message.
    void FetchVersionList(const UpdateRequest& request);
    // Asks the current job to stop (detaching its callback when detach is set) and forgets it.
    void StopJob(bool detach);
    // On a worker's thread: runs the worker's pending notification on the window's thread.
    void SendToHost(TSynDownloadThread& worker);
    // On a worker's thread, as its very last act: the window's thread frees the worker.
    void ReleaseWorker(TSynDownloadThread& worker, std::uint32_t message, std::intptr_t lParam);

    // Runs waiting notifications and releases on the window's thread (the Linux host's pump).
    int DispatchPending() { return dispatcher_->DispatchPending(); }

    // The current job, for tests; null when none.
    const TDownloadThread* CurrentJobForTesting() const { return CurrentJob.load(); }

private:
    std::optional<std::intptr_t> HandleMessage(std::uint32_t message, std::uintptr_t wParam,
                                               std::intptr_t lParam);
    void FreeWorker(TSynDownloadThread* worker);

    JobFactory jobFactory_;
    // Guards CurrentJob's object between StopJob and the release of a finished job, and a
    // started worker until its Resume has returned.
    std::mutex lock_;
    std::atomic<TDownloadThread*> CurrentJob{nullptr};
    std::unique_ptr<platform::Dispatcher> dispatcher_;
};

// The window of this load of the library, or null before it exists and after it is freed.
extern std::atomic<TDllMainForm*> DispatcherWindow;

}  // namespace vu
