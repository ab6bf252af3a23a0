#include "platform/dispatcher.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "platform/system_error.h"

namespace vu::platform {

namespace {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// A window made inert when its module left without it may still hold its class name, so every
// dispatcher registers a class of its own.
std::string UniqueClassName() {
    static std::atomic<unsigned> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, "TDllMainForm.%08lX.%lX.%u",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetTickCount()), counter.fetch_add(1));
    return name;
}

class WindowDispatcher final : public Dispatcher {
public:
    WindowDispatcher(Handler handler, const std::string& caption)
        : handler_(std::move(handler)), module_(ThisModule()), className_(UniqueClassName()),
          owner_(GetCurrentThreadId()) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &WindowProcedure;
        windowClass.hInstance = module_;
        windowClass.lpszClassName = className_.c_str();
        if (!RegisterClassA(&windowClass)) ThrowLastError("RegisterClass");
        window_ = CreateWindowExA(0, className_.c_str(), caption.c_str(), 0, 0, 0, 0, 0,
                                  HWND_MESSAGE, nullptr, module_, this);
        if (!window_) {
            const DWORD code = GetLastError();
            UnregisterClassA(className_.c_str(), module_);
            throw SystemError(code, "CreateWindowEx");
        }
    }

    ~WindowDispatcher() override {
        if (IsOwnerThread()) {
            DestroyWindow(window_);
            UnregisterClassA(className_.c_str(), module_);
            return;
        }
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }

    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override {
        return SendMessageA(window_, message, wParam, lParam);
    }

    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        return PostMessageA(window_, message, wParam, lParam) != 0;
    }

    int DispatchPending() override {
        int count = 0;
        MSG message;
        while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
            ++count;
        }
        return count;
    }

    bool IsOwnerThread() const override { return GetCurrentThreadId() == owner_; }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<WindowDispatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message >= WM_USER) {
            if (const auto result = self->handler_(message, wParam, lParam)) return *result;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    Handler handler_;
    HMODULE module_;
    std::string className_;
    DWORD owner_;
    HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<Dispatcher> Dispatcher::Create(Handler handler, const std::string& caption) {
    return std::make_unique<WindowDispatcher>(std::move(handler), caption);
}

}  // namespace vu::platform
