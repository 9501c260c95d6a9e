#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.hpp"

namespace quilvo {

struct HttpRequest {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    Seconds timeout{10.0};
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;
    // Blocking POST. Returns the HTTP status code, or nothing when no answer arrived within
    // `wait` (or the request could not be made).
    virtual std::optional<int> post(const HttpRequest& request, Seconds wait) = 0;
    // Makes a POST under way, and every later one, return nothing at once. Safe from any
    // thread; used when the program quits.
    virtual void abort() = 0;
};

}  // namespace quilvo
