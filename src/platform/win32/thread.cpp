#include "platform/thread.h"

#include <windows.h>

#include "platform/system_error.h"

namespace vu::platform {

namespace {

struct StartBlock {
    std::function<void()> body;
    HMODULE module;
};

// Runs the body, then drops the thread's module reference as its last act: after
// FreeLibraryAndExitThread nothing of this module runs on the thread again.
DWORD WINAPI ThreadMain(void* parameter) {
    HMODULE module = nullptr;
    {
        const std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(parameter));
        module = block->module;
        try {
            block->body();
        } catch (...) {
        }
    }
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

struct Thread::State {
    HANDLE handle = nullptr;
    DWORD id = 0;
    ~State() {
        if (handle) CloseHandle(handle);
    }
};

Thread::Thread(std::unique_ptr<State> state) : state_(std::move(state)) {}
Thread::Thread(Thread&& other) noexcept = default;
Thread& Thread::operator=(Thread&& other) noexcept = default;
Thread::~Thread() = default;

Thread Thread::Start(std::function<void()> body) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&ThreadMain), &module)) {
        ThrowLastError("GetModuleHandleEx");
    }
    auto block = std::make_unique<StartBlock>(StartBlock{std::move(body), module});
    auto state = std::make_unique<State>();
    state->handle = CreateThread(nullptr, 0, ThreadMain, block.get(), 0, &state->id);
    if (!state->handle) {
        const DWORD code = GetLastError();
        FreeLibrary(module);
        throw SystemError(code, "CreateThread");
    }
    block.release();  // owned by the thread from here on
    return Thread(std::move(state));
}

void Thread::Join() {
    if (state_ && state_->handle) WaitForSingleObject(state_->handle, INFINITE);
}

bool Thread::IsCurrent() const {
    return state_ && state_->id == GetCurrentThreadId();
}

std::uint32_t TickCount() {
    return GetTickCount();
}

void SleepMilliseconds(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

std::uint64_t CurrentThreadId() {
    return GetCurrentThreadId();
}

}  // namespace vu::platform
