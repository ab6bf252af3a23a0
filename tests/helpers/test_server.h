#pragma once
// Access to the loopback test server (tests/server/test_server.py) that the CTest fixture starts
// for the suites registered with USES_SERVER: its ports, URLs, its file root, and the requests
// and uploads it received (fetched through the HTTP client, in its line format).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vu::test {

struct LoggedRequest {
    std::string method;
    std::string path;  // as sent, with its query
    std::vector<std::pair<std::string, std::string>> headers;

    bool HasHeader(const std::string& name) const;          // names compare without case
    std::string Header(const std::string& name) const;      // "" when absent
};

struct UploadedPart {
    std::string name;
    bool hasFileName = false;
    std::string fileName;
    bool hasContentType = false;
    std::string contentType;
    std::string data;
};

struct Upload {
    std::string path;
    std::vector<UploadedPart> parts;
};

class TestServer {
public:
    // The server of this test run; fails the test (and raises std::runtime_error) when the port
    // file named by VU_TEST_SERVER_PORT_FILE cannot be read.
    static const TestServer& Instance();

    int Port() const { return port_; }
    int SecondPort() const { return secondPort_; }
    // The HTTPS port (self-signed certificate for 127.0.0.1); 0 when openssl was unavailable.
    int TlsPort() const { return tlsPort_; }
    // "http://127.0.0.1:<port><path>"; path starts with '/'.
    std::string Url(const std::string& path) const;
    std::string SecondUrl(const std::string& path) const;

    // A name no other test (in this or another program) uses: for paths whose log entries and
    // fault counters must be this test's alone.
    static std::string UniqueName(const std::string& stem);

    // Writes a file into the server's root (served as "/<name>"); the name may hold folders
    // separated by "/", which are created.
    void WriteFile(const std::string& name, const std::string& bytes) const;

    // The requests whose path contains the text, in the order received (the control paths
    // "/_..." are not logged).
    std::vector<LoggedRequest> Log(const std::string& pathContains) const;
    // The POST bodies received on paths containing the text, in order.
    std::vector<Upload> Uploads(const std::string& pathContains) const;

private:
    TestServer();
    int port_ = 0;
    int secondPort_ = 0;
    int tlsPort_ = 0;
    std::string root_;  // native path of the root folder
};

// Bytes offset .. offset+length of the server's generated bodies ("/_gen/<size>"): byte i is
// i % 251.
std::string GeneratedBytes(std::int64_t offset, std::size_t length);

}  // namespace vu::test
