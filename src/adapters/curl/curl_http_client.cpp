#include "adapters/curl/curl_http_client.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <mutex>

namespace quilvo {

namespace {

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

long milliseconds(Seconds duration) {
    // Zero would mean "no timeout" to libcurl.
    return std::max(1L, static_cast<long>(std::ceil(duration.count() * 1000.0)));
}

// One transfer driven by a multi handle, so that the wait can end before libcurl gives up.
class Transfer {
  public:
    Transfer() : easy_(curl_easy_init()), multi_(curl_multi_init()) {}
    ~Transfer() {
        if (added_) {
            curl_multi_remove_handle(multi_, easy_);
        }
        curl_slist_free_all(headers_);
        curl_multi_cleanup(multi_);
        curl_easy_cleanup(easy_);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    bool prepare(const HttpRequest& request) {
        if (!easy_ || !multi_) {
            return false;
        }
        for (const auto& [name, value] : request.headers) {
            headers_ = curl_slist_append(headers_, (name + ": " + value).c_str());
        }
        // No "Expect: 100-continue" round trip before the body.
        headers_ = curl_slist_append(headers_, "Expect:");
        curl_easy_setopt(easy_, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, milliseconds(request.timeout));
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, discard);
        added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
        return added_;
    }

    // The status code, or nothing when the transfer failed or `deadline` came first.
    CURLM* multi() const { return multi_; }

    std::optional<int> run(std::chrono::steady_clock::time_point deadline,
                           const std::atomic<bool>& aborted) {
        for (;;) {
            if (aborted) {
                return std::nullopt;
            }
            int running = 0;
            if (curl_multi_perform(multi_, &running) != CURLM_OK) {
                return std::nullopt;
            }
            if (running == 0) {
                return result();
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            curl_multi_poll(multi_, nullptr, 0,
                            static_cast<int>(std::min<long long>(left.count(), INT_MAX)), nullptr);
        }
    }

  private:
    std::optional<int> result() {
        int pending = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi_, &pending)) {
            if (message->msg == CURLMSG_DONE && message->data.result == CURLE_OK) {
                long status = 0;
                curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
                if (status > 0) {
                    return static_cast<int>(status);
                }
            }
        }
        return std::nullopt;
    }

    CURL* easy_;
    CURLM* multi_;
    curl_slist* headers_ = nullptr;
    bool added_ = false;
};

}  // namespace

CurlHttpClient::CurlHttpClient() = default;

std::optional<int> CurlHttpClient::post(const HttpRequest& request, Seconds wait) {
    // At the first upload, not at start: initialising TLS costs about 2 MB of memory that a
    // player without statistics to send never needs.
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(wait);
    Transfer transfer;
    if (!transfer.prepare(request)) {
        return std::nullopt;
    }
    {
        std::lock_guard lock(mutex_);
        active_ = transfer.multi();
    }
    const std::optional<int> status = transfer.run(deadline, aborted_);
    std::lock_guard lock(mutex_);
    active_ = nullptr;
    return status;
}

void CurlHttpClient::abort() {
    aborted_ = true;
    std::lock_guard lock(mutex_);
    if (active_ != nullptr) {
        curl_multi_wakeup(static_cast<CURLM*>(active_));
    }
}

}  // namespace quilvo
