/* The public header compiles as C as well: its layout checks run in a C compiler too. */
#include "RaVuviraZut.h"

int vu_header_compiles_as_c(void) {
    UpdateRequest request = {0};
    return (int)sizeof request.ListUrl;
}
