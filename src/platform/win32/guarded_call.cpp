#include "platform/guarded_call.h"

#include <windows.h>
#include <intrin.h>

namespace vu::platform {

namespace {

// An exception registration record on the thread's frame chain (fs:[0]) with a resume point:
// a structured exception raised below it returns to that point instead of ending the process.
struct GuardFrame {
    GuardFrame* previous;
    void* handler;
    void* resume[5];
};

extern "C" EXCEPTION_DISPOSITION __cdecl GuardFrameHandler(EXCEPTION_RECORD* record,
                                                           void* establisherFrame, CONTEXT*,
                                                           void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
        return ExceptionContinueSearch;
    }
    auto* frame = static_cast<GuardFrame*>(establisherFrame);
    __writefsdword(0, reinterpret_cast<DWORD>(frame));
    __builtin_longjmp(frame->resume, 1);
}

__attribute__((noinline)) bool RunUnderFrame(const std::function<void()>& body) {
    GuardFrame frame{};
    frame.handler = reinterpret_cast<void*>(&GuardFrameHandler);
    frame.previous = reinterpret_cast<GuardFrame*>(__readfsdword(0));
    if (__builtin_setjmp(frame.resume)) {
        __writefsdword(0, reinterpret_cast<DWORD>(frame.previous));
        return false;
    }
    __writefsdword(0, reinterpret_cast<DWORD>(&frame));
    bool returned = false;
    try {
        body();
        returned = true;
    } catch (...) {
    }
    __writefsdword(0, reinterpret_cast<DWORD>(frame.previous));
    return returned;
}

}  // namespace

bool CallGuarded(const std::function<void()>& body) noexcept {
    return RunUnderFrame(body);
}

}  // namespace vu::platform
