#pragma once

#include <optional>

#include <atomic>
#include <mutex>

#include "platform/http_client.hpp"

namespace quilvo {

// HTTP POST with libcurl: http and https only, certificates verified, redirects not followed,
// proxies from the usual environment variables.
class CurlHttpClient : public HttpClient {
  public:
    CurlHttpClient();

    std::optional<int> post(const HttpRequest& request, Seconds wait) override;
    void abort() override;

  private:
    std::atomic<bool> aborted_ = false;
    std::mutex mutex_;
    // The multi handle of the POST under way, so that abort() can wake its wait.
    void* active_ = nullptr;
};

}  // namespace quilvo
