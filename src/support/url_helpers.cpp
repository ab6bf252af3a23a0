#include "support/url_helpers.h"

#include <limits>
#include <string_view>

#include "platform/code_page.h"
#include "support/path_helpers.h"

namespace vu {
namespace {

struct UrlParts {
    bool hasScheme = false;  // the text holds "://"
    std::string scheme;
    std::string host;
    std::string port;  // the text after the host's colon; empty when there is none
    std::string path;
    std::string document;
    std::string query;
};

std::string_view Before(std::string_view text, std::size_t cut) {
    return cut == std::string_view::npos ? text : text.substr(0, cut);
}

std::string_view From(std::string_view text, std::size_t cut) {
    return cut == std::string_view::npos ? std::string_view() : text.substr(cut);
}

// Splits "host[:port]" after the user name and password are gone. A bracketed IPv6 address
// keeps its colons.
void SplitHostAndPort(std::string_view hostAndPort, UrlParts& parts) {
    std::size_t searchFrom = 0;
    if (hostAndPort.starts_with('[')) {
        const std::size_t close = hostAndPort.find(']');
        searchFrom = close == std::string_view::npos ? hostAndPort.size() : close;
    }
    const std::size_t colon = hostAndPort.find(':', searchFrom);
    parts.host = Before(hostAndPort, colon);
    if (colon != std::string_view::npos) parts.port = hostAndPort.substr(colon + 1);
}

UrlParts SplitUrl(const std::string& url) {
    const std::string normalised = BackslashToSlash(url);
    std::string_view rest = normalised;
    UrlParts parts;
    const std::size_t mark = rest.find("://");
    if (mark != std::string_view::npos) {
        parts.hasScheme = true;
        parts.scheme = rest.substr(0, mark);
        rest.remove_prefix(mark + 3);
        const std::size_t authorityEnd = rest.find_first_of("/?#");
        const std::string_view authority = Before(rest, authorityEnd);
        const std::size_t at = authority.rfind('@');
        SplitHostAndPort(at == std::string_view::npos ? authority : authority.substr(at + 1), parts);
        rest = From(rest, authorityEnd);
    }
    std::size_t queryStart = rest.find('?');
    if (queryStart == std::string_view::npos) queryStart = rest.find('=');
    parts.query = From(rest, queryStart);
    const std::string_view locator = Before(rest, queryStart);
    const std::size_t lastSlash = locator.rfind('/');
    const std::size_t documentStart = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;
    parts.path = locator.substr(0, documentStart);
    const std::string_view document = locator.substr(documentStart);
    parts.document = Before(document, document.find('#'));  // the fragment is dropped
    return parts;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    out += '%';
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

bool IsEscapedInPath(unsigned char byte) {
    constexpr std::string_view kReserved = " #%*+<>";
    return byte >= 0x80 || kReserved.find(static_cast<char>(byte)) != std::string_view::npos;
}

bool IsAsciiAlphanumeric(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

void AppendPathEncoded(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsEscapedInPath(byte)) {
            AppendEscaped(out, byte);
        } else {
            out += c;
        }
    }
}

void AppendQueryEncoded(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsAsciiAlphanumeric(byte)) {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            AppendEscaped(out, byte);
        }
    }
}

}  // namespace

std::string MakeUrlFolder(const std::string& text) {
    std::string folder = BackslashToSlash(text);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string ExtractUrlPath(const std::string& url) {
    const std::size_t lastSlash = url.rfind('/');
    return lastSlash == std::string::npos ? url : url.substr(0, lastSlash + 1);
}

std::int32_t PortOfUrl(const std::string& url, std::int32_t defaultPort) {
    const UrlParts parts = SplitUrl(url);
    if (!parts.hasScheme || parts.scheme.empty() || parts.port.empty()) return defaultPort;
    std::int64_t port = 0;
    for (const char c : parts.port) {
        if (c < '0' || c > '9') return defaultPort;
        port = port * 10 + (c - '0');
        if (port > std::numeric_limits<std::int32_t>::max()) return defaultPort;
    }
    return static_cast<std::int32_t>(port);
}

std::string EncodeUrl(const std::string& url) { return EncodeUtf8Url(platform::AnsiToUtf8(url)); }

std::string EncodeUtf8Url(const std::string& url) {
    const UrlParts parts = SplitUrl(url);
    std::string encoded;
    if (parts.hasScheme) {
        encoded = parts.scheme + "://" + parts.host;
        if (!parts.port.empty()) encoded += ':' + parts.port;
    }
    AppendPathEncoded(encoded, parts.path);
    AppendPathEncoded(encoded, parts.document);
    AppendQueryEncoded(encoded, parts.query);
    return encoded;
}

}  // namespace vu
