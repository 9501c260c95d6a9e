#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/http_client.hpp"

namespace quilvo::testing {

// Records every POST and answers with `respond` (200 unless the test sets another).
// Safe from any thread; set `respond` before the first request.
class FakeHttpClient : public HttpClient {
  public:
    struct Call {
        HttpRequest request;
        Seconds wait;
    };

    std::function<std::optional<int>(const HttpRequest&)> respond = [](auto&) { return 200; };

    std::optional<int> post(const HttpRequest& request, Seconds wait) override {
        std::unique_lock lock(mutex_);
        calls_.push_back({request, wait});
        lock.unlock();
        return respond(request);
    }

    void abort() override { aborted = true; }

    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    std::atomic<bool> aborted = false;

  private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

}  // namespace quilvo::testing
