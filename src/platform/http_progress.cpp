#include "platform/http_progress.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <random>

namespace vu::platform {

// ---- progress

HttpProgress::HttpProgress(Sink sink, Clock clock, std::uint64_t intervalMilliseconds)
    : sink_(std::move(sink)), clock_(std::move(clock)), interval_(intervalMilliseconds) {}

std::uint64_t HttpProgress::SteadyMilliseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void HttpProgress::Start(std::int64_t contentLength) {
    bytes_ = 0;
    contentLength_ = contentLength;
    finished_ = false;
    lastEvent_ = clock_();
}

void HttpProgress::Add(std::uint64_t bytes) {
    if (finished_) return;
    bytes_ += static_cast<std::int64_t>(bytes);
    const std::uint64_t now = clock_();
    if (now - lastEvent_ >= interval_) {
        lastEvent_ = now;
        if (sink_) sink_(bytes_, contentLength_);
    }
}

void HttpProgress::Finish() {
    if (finished_) return;
    finished_ = true;
    lastEvent_ = clock_();
    if (sink_) sink_(bytes_, contentLength_);
}

// ---- URLs

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Splits "scheme://authority/rest": returns false when there is no "://".
bool SplitUrl(const std::string& url, std::string& scheme, std::string& authority, std::string& rest) {
    const auto colon = url.find("://");
    if (colon == std::string::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = url[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    scheme = url.substr(0, colon);
    const auto start = colon + 3;
    auto end = url.find_first_of("/?#", start);
    if (end == std::string::npos) end = url.size();
    authority = url.substr(start, end - start);
    rest = url.substr(end);
    return true;
}

// Removes "." and ".." segments from an absolute path (RFC 3986 5.2.4).
std::string RemoveDotSegments(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t position = 1;  // path starts with '/'
    bool trailingSlash = false;
    while (position <= path.size()) {
        auto next = path.find('/', position);
        if (next == std::string::npos) next = path.size();
        const std::string segment = path.substr(position, next - position);
        trailingSlash = false;
        if (segment == ".") {
            trailingSlash = true;
        } else if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            trailingSlash = true;
        } else {
            segments.push_back(segment);
        }
        position = next + 1;
    }
    std::string out;
    for (const auto& segment : segments) out += "/" + segment;
    if (trailingSlash || out.empty()) out += "/";
    return out;
}

}  // namespace

int DefaultPortOf(const std::string& scheme) { return Lower(scheme) == "https" ? 443 : 80; }

HttpUrl ParseHttpUrl(const std::string& url) {
    HttpUrl result;
    std::string scheme, authority, rest;
    if (!SplitUrl(url, scheme, authority, rest)) return result;
    result.scheme = Lower(scheme);
    const auto at = authority.rfind('@');
    std::string hostPort = at == std::string::npos ? authority : authority.substr(at + 1);
    std::string portText;
    if (!hostPort.empty() && hostPort[0] == '[') {
        const auto close = hostPort.find(']');
        if (close == std::string::npos) return result;
        result.host = hostPort.substr(1, close - 1);
        if (close + 1 < hostPort.size()) {
            if (hostPort[close + 1] != ':') return result;
            portText = hostPort.substr(close + 2);
        }
    } else {
        const auto colon = hostPort.rfind(':');
        result.host = hostPort.substr(0, colon);
        if (colon != std::string::npos) portText = hostPort.substr(colon + 1);
    }
    if (!portText.empty()) {
        int port = 0;
        for (char c : portText) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return result;
            port = port * 10 + (c - '0');
            if (port > 65535) return result;
        }
        result.port = port;
    }
    const auto hash = rest.find('#');
    if (hash != std::string::npos) rest.erase(hash);
    result.pathAndQuery = rest.empty() || rest[0] != '/' ? "/" + rest : rest;
    result.valid = !result.host.empty();
    return result;
}

std::string ApplyDefaultPort(const std::string& url, int port) {
    std::string scheme, authority, rest;
    if (port <= 0 || !SplitUrl(url, scheme, authority, rest)) return url;
    const HttpUrl parsed = ParseHttpUrl(url);
    if (!parsed.valid || parsed.port != 0) return url;
    if (port == DefaultPortOf(scheme)) return url;
    if (Lower(scheme) == "https" && port == 80) return url;
    return scheme + "://" + authority + ":" + std::to_string(port) + rest;
}

std::string ResolveHttpLocation(const std::string& base, const std::string& location) {
    std::string scheme, authority, rest;
    if (SplitUrl(location, scheme, authority, rest)) return location;
    if (!SplitUrl(base, scheme, authority, rest)) return location;
    if (location.empty()) {
        const auto hash = rest.find('#');
        return scheme + "://" + authority + rest.substr(0, hash);
    }
    if (location.size() >= 2 && location[0] == '/' && location[1] == '/') return scheme + ":" + location;
    const std::string prefix = scheme + "://" + authority;
    // The base's path and query.
    std::string basePath = rest;
    const auto hash = basePath.find('#');
    if (hash != std::string::npos) basePath.erase(hash);
    std::string baseQuery;
    const auto question = basePath.find('?');
    if (question != std::string::npos) {
        baseQuery = basePath.substr(question);
        basePath.erase(question);
    }
    if (basePath.empty()) basePath = "/";
    if (location[0] == '?') return prefix + basePath + location;
    if (location[0] == '#') return prefix + basePath + baseQuery;
    // Split the location into path and query/fragment.
    std::string path = location, tail;
    const auto cut = path.find_first_of("?#");
    if (cut != std::string::npos) {
        tail = path.substr(cut);
        path.erase(cut);
    }
    const auto fragment = tail.find('#');
    if (fragment != std::string::npos) tail.erase(fragment);
    if (path[0] != '/') path = basePath.substr(0, basePath.rfind('/') + 1) + path;
    return prefix + RemoveDotSegments(path) + tail;
}

// ---- multipart

std::string NewMultipartBoundary() {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    std::mt19937_64 generator((static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                              static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                              counter++);
    char text[64];
    std::snprintf(text, sizeof text, "----------VuBoundary%016llx%08x",
                  static_cast<unsigned long long>(generator()), static_cast<unsigned>(generator()));
    return text;
}

MultipartBody BuildMultipartBody(const std::vector<MultipartPart>& parts, const std::string& boundary) {
    MultipartBody result;
    result.boundary = boundary;
    for (const auto& part : parts) {
        result.body += "--" + boundary + "\r\n";
        result.body += "Content-Disposition: form-data; name=\"" + part.name + "\"";
        if (!part.fileName.empty()) result.body += "; filename=\"" + part.fileName + "\"";
        result.body += "\r\n";
        if (!part.contentType.empty()) result.body += "Content-Type: " + part.contentType + "\r\n";
        result.body += "\r\n";
        result.body += part.content;
        result.body += "\r\n";
    }
    result.body += "--" + boundary + "--\r\n";
    return result;
}

}  // namespace vu::platform
