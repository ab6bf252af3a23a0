#include "support/unzip_events.h"

#include "support/file_helpers.h"

namespace vu {

void TUnzipEvt::OnStartFile(std::int32_t /*entryIndex*/, std::string& targetPath, bool& /*skip*/) const {
    ClearReadOnly(targetPath);
}

TUnzipEvt& UnzipEventHandler() {
    static TUnzipEvt handler;
    return handler;
}

}  // namespace vu
