#pragma once
// A scripted stand-in for the HTTP client: each GET plays the next scripted attempt (a redirect
// when one is set, the answer's status, a body, then a given failure if one is set) and every request, header, port, range start,
// disconnect, redirect setting, creation and multipart POST is recorded for the test to check.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/http_client.h"
#include "transfer/custom_download_thread.h"

namespace vu::test {

struct ScriptedAttempt {
    ScriptedAttempt(std::string body = {}, std::optional<platform::HttpError> failure = {},
                    std::function<void()> during = {}, std::string redirectTo = {},
                    std::optional<int> status = {})
        : body(std::move(body)),
          failure(std::move(failure)),
          during(std::move(during)),
          redirectTo(std::move(redirectTo)),
          status(status) {}

    std::string body;                              // delivered in two pieces
    std::optional<platform::HttpError> failure;    // then raised, when set
    std::function<void()> during;                  // runs inside the GET before the body
    std::string redirectTo;                        // when set, told to the redirect handler
    std::optional<int> status;                     // default: 206 for a range request, else 200
};

struct RecordedGet {
    int client = -1;  // creation index of the client that made the request
    platform::HttpGetRequest request;
};

struct RecordedPost {
    int client = -1;
    std::string url;
    std::vector<platform::MultipartPart> parts;
};

inline platform::HttpError SocketFailure(std::uint32_t code, const std::string& message) {
    auto failure = platform::HttpFailure::Socket;
    if (code == platform::kSocketConnectionReset) failure = platform::HttpFailure::ConnectionReset;
    if (code == platform::kSocketHostNotFound) failure = platform::HttpFailure::HostNotFound;
    return platform::HttpError(failure, code, 0, message);
}

inline platform::HttpError StatusFailure(int status, const std::string& message) {
    return platform::HttpError(platform::HttpFailure::Status, 0, status, message);
}

// Shared by the test and every client its factory makes. Safe to use from several threads.
class HttpScript : public std::enable_shared_from_this<HttpScript> {
public:
    static std::shared_ptr<HttpScript> Make() {
        return std::shared_ptr<HttpScript>(new HttpScript);
    }

    HttpClientFactory Factory();

    void Add(ScriptedAttempt attempt);
    void FailPosts(platform::HttpError failure);

    std::vector<RecordedGet> Gets() const;
    std::vector<RecordedPost> Posts() const;
    int Creations() const;
    int Disconnects(int client) const;
    bool FollowsRedirects(int client) const;
    bool Destroyed(int client) const;
    std::size_t AttemptsLeft() const;

private:
    friend class FakeHttpClient;
    HttpScript() = default;

    mutable std::mutex lock_;
    std::deque<ScriptedAttempt> attempts_;
    std::optional<platform::HttpError> postFailure_;
    std::vector<RecordedGet> gets_;
    std::vector<RecordedPost> posts_;
    struct ClientRecord {
        bool followRedirects = false;
        int disconnects = 0;
        bool destroyed = false;
    };
    std::vector<ClientRecord> clients_;
};

}  // namespace vu::test
