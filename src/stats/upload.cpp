#include <algorithm>

#include "stats/stats.hpp"

namespace quilvo {

namespace {

std::string requestBody(const std::vector<std::string>& batch) {
    std::string body = "{\"events\":[";
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (i > 0) {
            body += ',';
        }
        body += batch[i];
    }
    body += "]}";
    return body;
}

}  // namespace

void Stats::flush() {
    queue_.async([this] { pump(true, std::nullopt); });
}

void Stats::pump(bool force, std::optional<std::string> extra) {
    std::vector<std::string> events = loadQueue();
    if (extra) {
        events.push_back(std::move(*extra));
        if (events.size() > kMaxQueue) {
            events.erase(events.begin(), events.end() - kMaxQueue);
        }
    }
    // The batch stays stored until the endpoint has taken it, so ending the process during
    // the upload loses nothing.
    saveQueue(events);
    const bool wanted = force ? !events.empty() : events.size() >= kBatchSize;
    if (!wanted || stopping_) {
        return;
    }

    const auto batchEnd = events.begin() + std::min(events.size(), kBatchSize);
    if (post({events.begin(), batchEnd})) {
        saveQueue({batchEnd, events.end()});
    } else if (events.size() > kMaxQueue) {
        // The batch back in front of the rest: the oldest events are the ones kept.
        events.resize(kMaxQueue);
        saveQueue(events);
    }
}

bool Stats::post(const std::vector<std::string>& batch) {
    const HttpRequest request{settings_.endpoint,
                              {{"Content-Type", "application/json"}},
                              requestBody(batch),
                              kRequestTimeout};
    const std::optional<int> status = http_->post(request, kUploadWait);
    return status && *status >= 200 && *status <= 299;
}

}  // namespace quilvo
