#pragma once
// The older, shorter request record turned into the current one.

#include "RaVuviraZut.h"

namespace vu {

// A zeroed UpdateRequest with the legacy record's fields: texts up to their NUL or the legacy
// field's full width, DiffPatch zero-extended, Reserved left zero.
UpdateRequest ConvertLegacyRequest(const LegacyUpdateRequest& legacy);

}  // namespace vu
