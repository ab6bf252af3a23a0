#include "support/thread_base.h"

namespace vu {

TThread::~TThread() {
    WaitFor();
}

void TThread::Resume() {
    if (thread_) return;
    thread_ = platform::Thread::Start([this] { Execute(); });
}

void TThread::WaitFor() {
    if (thread_ && !thread_->IsCurrent()) thread_->Join();
}

}  // namespace vu
