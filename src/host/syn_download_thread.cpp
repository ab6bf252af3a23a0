#include "host/syn_download_thread.h"

#include "host/dll_main_form.h"
#include "platform/guarded_call.h"

namespace vu {

TSynDownloadThread::TSynDownloadThread(HttpClientFactory clientFactory)
    : TCustomDownloadThread(std::move(clientFactory)) {}

void TSynDownloadThread::TakeRequest(const UpdateRequest& request) {
    request_ = request;
    callback_.store(request.Callback);
}

std::int32_t TSynDownloadThread::Notify(std::int32_t kind, std::int32_t code, std::int32_t value,
                                        const char* text) {
    if (!HasCallback()) return 0;
    pendingKind_ = kind;
    pendingCode_ = code;
    pendingValue_ = value;
    pendingText_ = text;
    if (TDllMainForm* const window = DispatcherWindow.load()) {
        window->SendToHost(*this);
    }
    return lastResult_;
}

void TSynDownloadThread::CallHost() {
    const HostCallback callback = callback_.load();
    if (!callback) return;
    platform::CallGuarded([&] {
        lastResult_ = callback(pendingKind_, pendingCode_, pendingValue_, pendingText_,
                               request_.Context);
    });
}

void TSynDownloadThread::SendEndMessage(std::uint32_t message, std::intptr_t lParam) {
    if (TDllMainForm* const window = DispatcherWindow.load()) {
        window->ReleaseWorker(*this, message, lParam);
    }
}

}  // namespace vu
