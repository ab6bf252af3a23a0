#include "platform/locale_format.h"

#include <langinfo.h>
#include <locale.h>

namespace vu::platform {

std::string DecimalSeparator() {
    // A private locale object built from LC_ALL / LC_NUMERIC / LANG, so neither the process
    // locale nor other threads are affected.
    const locale_t numeric = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (numeric == static_cast<locale_t>(nullptr)) return ".";
    const char* const separator = ::nl_langinfo_l(RADIXCHAR, numeric);
    std::string result = separator != nullptr && separator[0] != '\0' ? separator : ".";
    ::freelocale(numeric);
    return result;
}

}  // namespace vu::platform
