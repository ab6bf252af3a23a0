#include "helpers/fake_http_client.h"

#include <gtest/gtest.h>

#include <atomic>

namespace vu::test {

class FakeHttpClient final : public platform::HttpClient {
public:
    FakeHttpClient(std::shared_ptr<HttpScript> script, int index)
        : script_(std::move(script)), index_(index) {}

    ~FakeHttpClient() override {
        const std::lock_guard guard(script_->lock_);
        script_->clients_[index_].destroyed = true;
    }

    void SetFollowRedirects(bool follow) override {
        const std::lock_guard guard(script_->lock_);
        script_->clients_[index_].followRedirects = follow;
    }

    void Get(const platform::HttpGetRequest& request, const platform::HttpEvents& events,
             const std::function<void(const char* data, std::size_t size)>& body) override {
        ScriptedAttempt attempt;
        {
            const std::lock_guard guard(script_->lock_);
            script_->gets_.push_back({index_, request});
            if (script_->attempts_.empty()) {
                ADD_FAILURE() << "unscripted GET of " << request.url;
                throw platform::HttpError(platform::HttpFailure::Protocol, 0, 0, "unscripted");
            }
            attempt = std::move(script_->attempts_.front());
            script_->attempts_.pop_front();
        }
        connected_ = true;
        struct Disconnected {
            std::atomic<bool>& flag;
            ~Disconnected() { flag = false; }
        } const whenDone{connected_};
        if (attempt.during) attempt.during();
        if (!attempt.redirectTo.empty() && events.onRedirect) {
            std::string location = attempt.redirectTo;
            events.onRedirect(location);
        }
        if (events.onResponse) {
            events.onResponse(attempt.status.value_or(request.rangeStart != 0 ? 206 : 200));
        }
        const std::size_t half = attempt.body.size() / 2;
        body(attempt.body.data(), half);
        body(attempt.body.data() + half, attempt.body.size() - half);
        if (events.onWork) {
            const auto size = static_cast<std::int64_t>(attempt.body.size());
            events.onWork(size, size);
        }
        if (attempt.failure) throw *attempt.failure;
    }

    std::string PostMultipart(const std::string& url,
                              const std::vector<platform::MultipartPart>& parts) override {
        const std::lock_guard guard(script_->lock_);
        script_->posts_.push_back({index_, url, parts});
        if (script_->postFailure_) throw *script_->postFailure_;
        return "OK";
    }

    void Disconnect() override {
        const std::lock_guard guard(script_->lock_);
        ++script_->clients_[index_].disconnects;
    }

    bool Connected() const override { return connected_; }

private:
    std::shared_ptr<HttpScript> script_;
    int index_;
    std::atomic<bool> connected_{false};
};

HttpClientFactory HttpScript::Factory() {
    return [script = shared_from_this()]() -> std::unique_ptr<platform::HttpClient> {
        int index = 0;
        {
            const std::lock_guard guard(script->lock_);
            index = static_cast<int>(script->clients_.size());
            script->clients_.emplace_back();
        }
        return std::make_unique<FakeHttpClient>(script, index);
    };
}

void HttpScript::Add(ScriptedAttempt attempt) {
    const std::lock_guard guard(lock_);
    attempts_.push_back(std::move(attempt));
}

void HttpScript::FailPosts(platform::HttpError failure) {
    const std::lock_guard guard(lock_);
    postFailure_ = std::move(failure);
}

std::vector<RecordedGet> HttpScript::Gets() const {
    const std::lock_guard guard(lock_);
    return gets_;
}

std::vector<RecordedPost> HttpScript::Posts() const {
    const std::lock_guard guard(lock_);
    return posts_;
}

int HttpScript::Creations() const {
    const std::lock_guard guard(lock_);
    return static_cast<int>(clients_.size());
}

int HttpScript::Disconnects(int client) const {
    const std::lock_guard guard(lock_);
    return clients_.at(client).disconnects;
}

bool HttpScript::FollowsRedirects(int client) const {
    const std::lock_guard guard(lock_);
    return clients_.at(client).followRedirects;
}

bool HttpScript::Destroyed(int client) const {
    const std::lock_guard guard(lock_);
    return clients_.at(client).destroyed;
}

std::size_t HttpScript::AttemptsLeft() const {
    const std::lock_guard guard(lock_);
    return attempts_.size();
}

}  // namespace vu::test
