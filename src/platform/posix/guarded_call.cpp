#include "platform/guarded_call.h"

namespace vu::platform {

bool CallGuarded(const std::function<void()>& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace vu::platform
