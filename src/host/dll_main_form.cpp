#include "host/dll_main_form.h"

#include "host/work_paths.h"
#include "job/download_thread.h"
#include "job/ver_thread.h"

namespace vu {

std::atomic<TDllMainForm*> DispatcherWindow{nullptr};

TDllMainForm::TDllMainForm(JobFactory jobFactory) : jobFactory_(std::move(jobFactory)) {
    // The pending self-replacement check runs here, first of all, when it is built.
    dispatcher_ = platform::Dispatcher::Create(
        [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            return HandleMessage(message, wParam, lParam);
        },
        "DllMainForm");
}

TDllMainForm::~TDllMainForm() {
    StopJob(true);
}

void TDllMainForm::StartJob(const UpdateRequest& request) {
    StopJob(true);
    ResetWorkPaths();
    auto job = jobFactory_ ? jobFactory_() : std::make_unique<TDownloadThread>();
    job->HandOverRequest(request);
    // Held until the job is current, so that its release cannot come in between.
    std::lock_guard lock(lock_);
    job->Resume();
    CurrentJob.exchange(job.release());
}

void TDllMainForm::FetchVersionList(const UpdateRequest& request) {
    auto worker = std::make_unique<TVerThread>();
    worker->TakeRequest(request);
    // Held until the worker is started, so that its release cannot come in between.
    std::lock_guard lock(lock_);
    worker->Resume();
    // From here on the worker's end message frees it.
    worker.release();
}

void TDllMainForm::StopJob(bool detach) {
    std::lock_guard lock(lock_);
    TDownloadThread* const job = CurrentJob.exchange(nullptr);
    if (!job) return;
    // A job that has started is asked to stop whether or not it has reached its stages yet, so
    // that a job replaced at once never speaks to the host again.
    if (!job->Suspended()) {
        job->RequestStop(detach);
    } else {
        // Never started: it ends at once without an end message, so it is freed here.
        job->Terminate();
        job->Resume();
        job->WaitFor();
        FreeWorker(job);
    }
}

void TDllMainForm::SendToHost(TSynDownloadThread& worker) {
    dispatcher_->Send(kNotifyMessage, reinterpret_cast<std::uintptr_t>(&worker), 0);
}

void TDllMainForm::ReleaseWorker(TSynDownloadThread& worker, std::uint32_t message,
                                 std::intptr_t lParam) {
    // Sent rather than posted: when it returns, the window's thread has left this module's
    // code, so a worker holding the last reference to the module may let it go.
    dispatcher_->Send(message, reinterpret_cast<std::uintptr_t>(&worker), lParam);
}

std::optional<std::intptr_t> TDllMainForm::HandleMessage(std::uint32_t message,
                                                         std::uintptr_t wParam, std::intptr_t) {
    auto* const worker = reinterpret_cast<TSynDownloadThread*>(wParam);
    switch (message) {
    case kNotifyMessage:
        if (worker) worker->CallHost();
        return 1;
    case kJobEndedMessage:
        if (worker) {
            std::lock_guard lock(lock_);
            TDownloadThread* expected = static_cast<TDownloadThread*>(worker);
            CurrentJob.compare_exchange_strong(expected, nullptr);
            FreeWorker(worker);
        }
        return 1;
    case kVersionListEndedMessage:
        if (worker) {
            std::lock_guard lock(lock_);
            FreeWorker(worker);
        }
        return 1;
    default:
        return std::nullopt;
    }
}

void TDllMainForm::FreeWorker(TSynDownloadThread* worker) {
    // The worker's thread is waiting for this message to be handled and touches nothing of
    // the object afterwards, so it is freed without waiting for the thread.
    worker->Abandon();
    const std::unique_ptr<TSynDownloadThread> owned(worker);
}

}  // namespace vu
