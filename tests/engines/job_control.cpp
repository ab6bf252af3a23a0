// The sixteenth procedure of the complete test engine; the partial engine is built without it.
#include <cstdint>

#include "RaVuviraZut.h"

extern "C" std::int32_t VU_CALL GetJobControl() { return 0; }
