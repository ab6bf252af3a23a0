#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>

#include <cstdlib>
#include <string_view>

namespace vu::platform {
namespace {

std::string_view LocaleName() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

struct Converter {
    iconv_t handle;
    explicit Converter(const char* from) : handle(iconv_open("UTF-8", from)) {}
    ~Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
};

}  // namespace

std::uint32_t AnsiCodePage() {
    const std::string_view locale = LocaleName();
    if (locale.starts_with("zh_TW") || locale.starts_with("zh_HK")) return 950;
    if (locale.starts_with("zh")) return 936;
    if (locale.starts_with("ja")) return 932;
    if (locale.starts_with("ko")) return 949;
    return 1252;
}

std::string AnsiToUtf8(const std::string& ansi) {
    const std::string codePage = "CP" + std::to_string(AnsiCodePage());
    Converter converter(codePage.c_str());
    if (converter.handle == reinterpret_cast<iconv_t>(-1)) return ansi;
    std::string utf8;
    char buffer[1024];
    char* in = const_cast<char*>(ansi.data());
    std::size_t inLeft = ansi.size();
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter.handle, &in, &inLeft, &out, &outLeft);
        utf8.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            utf8 += "\xEF\xBF\xBD";  // a byte that does not convert
            ++in;
            --inLeft;
        }
    }
    return utf8;
}

}  // namespace vu::platform
