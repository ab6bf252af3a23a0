#include "helpers/test_server.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/http_client.h"

namespace vu::test {
namespace {

// The environment holds Unix paths; the Windows build under Wine reaches them through drive Z:.
std::string NativeFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return {};
    std::string path = value;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
#endif
    return path;
}

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
    return out;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string PercentEncode(const std::string& text) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Fetch(const std::string& url) {
    auto client = platform::HttpClient::Create();
    std::string body;
    platform::HttpGetRequest request;
    request.url = url;
    client->Get(request, {}, [&](const char* data, std::size_t size) { body.append(data, size); });
    return body;
}

}  // namespace

bool LoggedRequest::HasHeader(const std::string& name) const {
    for (const auto& header : headers)
        if (LowerCase(header.first) == LowerCase(name)) return true;
    return false;
}

std::string LoggedRequest::Header(const std::string& name) const {
    for (const auto& header : headers)
        if (LowerCase(header.first) == LowerCase(name)) return header.second;
    return {};
}

const TestServer& TestServer::Instance() {
    static const TestServer server;
    return server;
}

TestServer::TestServer() {
    const std::string portFile = NativeFromEnvironment("VU_TEST_SERVER_PORT_FILE");
    std::ifstream in(portFile);
    if (portFile.empty() || !(in >> port_ >> secondPort_)) {
        ADD_FAILURE() << "cannot read the test server's port file '" << portFile
                      << "' (VU_TEST_SERVER_PORT_FILE); run the suite through ctest";
        throw std::runtime_error("no test server");
    }
    if (!(in >> tlsPort_)) tlsPort_ = 0;
    root_ = NativeFromEnvironment("VU_TEST_SERVER_ROOT");
}

std::string TestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string TestServer::SecondUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(secondPort_) + path;
}

std::string TestServer::UniqueName(const std::string& stem) {
    static std::atomic<int> counter{0};
    static const unsigned long long stamp =
        (static_cast<unsigned long long>(std::random_device{}()) << 20) ^
        static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
    return stem + "-" + std::to_string(stamp % 1000000007ULL) + "-" + std::to_string(counter++);
}

void TestServer::WriteFile(const std::string& name, const std::string& bytes) const {
#ifdef _WIN32
    const std::string path = root_ + "\\" + name;
#else
    const std::string path = root_ + "/" + name;
#endif
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write the test server file " + path);
}

std::vector<LoggedRequest> TestServer::Log(const std::string& pathContains) const {
    std::vector<LoggedRequest> requests;
    for (const auto& line : Lines(Fetch(Url("/_log?format=text&path=" + PercentEncode(pathContains))))) {
        if (line.rfind("REQUEST ", 0) == 0) {
            LoggedRequest request;
            const auto space = line.find(' ', 8);
            request.method = line.substr(8, space - 8);
            request.path = space == std::string::npos ? "" : line.substr(space + 1);
            requests.push_back(request);
        } else if (line.rfind("HEADER ", 0) == 0 && !requests.empty()) {
            const auto colon = line.find(": ", 7);
            requests.back().headers.emplace_back(line.substr(7, colon - 7),
                                                 colon == std::string::npos ? "" : line.substr(colon + 2));
        }
    }
    return requests;
}

std::vector<Upload> TestServer::Uploads(const std::string& pathContains) const {
    std::vector<Upload> uploads;
    for (const auto& line : Lines(Fetch(Url("/_uploads?format=text&path=" + PercentEncode(pathContains))))) {
        if (line.rfind("UPLOAD ", 0) == 0) {
            uploads.push_back({line.substr(7), {}});
        } else if (line.rfind("PART ", 0) == 0 && !uploads.empty()) {
            std::vector<std::string> fields;
            std::string rest = line.substr(5);
            std::size_t start = 0;
            for (;;) {
                const auto tab = rest.find('\t', start);
                fields.push_back(rest.substr(start, tab - start));
                if (tab == std::string::npos) break;
                start = tab + 1;
            }
            fields.resize(4);
            UploadedPart part;
            part.name = fields[0] == "-" ? "" : PercentDecode(fields[0]);
            part.hasFileName = fields[1] != "-";
            part.fileName = part.hasFileName ? PercentDecode(fields[1]) : "";
            part.hasContentType = fields[2] != "-";
            part.contentType = part.hasContentType ? PercentDecode(fields[2]) : "";
            part.data = FromHex(fields[3]);
            uploads.back().parts.push_back(part);
        }
    }
    return uploads;
}

std::string GeneratedBytes(std::int64_t offset, std::size_t length) {
    std::string out(length, '\0');
    for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char>((offset + static_cast<std::int64_t>(i)) % 251);
    return out;
}

}  // namespace vu::test
