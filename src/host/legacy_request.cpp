#include "host/legacy_request.h"

#include <cstring>

namespace vu {
namespace {

// Copies the text of a fixed-width field: up to and including its NUL, or the whole field when
// it has none. The target is at least as wide and already zeroed.
template <std::size_t SourceWidth, std::size_t TargetWidth>
void CopyText(const char (&source)[SourceWidth], char (&target)[TargetWidth]) {
    static_assert(TargetWidth >= SourceWidth);
    const std::size_t length = strnlen(source, SourceWidth);
    std::memcpy(target, source, length < SourceWidth ? length + 1 : SourceWidth);
}

}  // namespace

UpdateRequest ConvertLegacyRequest(const LegacyUpdateRequest& legacy) {
    UpdateRequest request;
    std::memset(&request, 0, sizeof request);
    request.Context = legacy.Context;
    CopyText(legacy.ProductName, request.ProductName);
    CopyText(legacy.Version, request.Version);
    CopyText(legacy.ListUrl, request.ListUrl);
    request.VersionCheck = legacy.VersionCheck;
    request.DiffPatch = legacy.DiffPatch;
    request.Callback = legacy.Callback;
    request.Flags = legacy.Flags;
    return request;
}

}  // namespace vu
