#pragma once

#include <mutex>
#include <optional>

#include "platform/http_client.hpp"

namespace quilvo {

// HTTP POST with libsoup, the library the stream source already has loaded (so are its TLS
// backend and the system certificates): http and https only, certificates verified, redirects
// not followed, proxies as the desktop sets them.
class SoupHttpClient : public HttpClient {
  public:
    std::optional<int> post(const HttpRequest& request, Seconds wait) override;
    void abort() override;

  private:
    bool aborted_ = false;
    std::mutex mutex_;
    // The cancellable of the POST under way, so that abort() can end it.
    void* active_ = nullptr;
};

}  // namespace quilvo
