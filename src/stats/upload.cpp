#include <algorithm>
#include <iterator>

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
    if (extra) {
        unsaved_.push_back(std::move(*extra));
    }
    // Other processes may share the store: from reading the queue to saving the result, the
    // upload included, it is ours alone. Without the lock new events wait here for a later
    // turn, and stored ones stay for whichever process gets the lock next.
    if (!store_->lock(stopping_ ? Seconds{0} : kUploadWait)) {
        return;
    }
    std::vector<std::string> events = loadQueue();
    if (!unsaved_.empty()) {
        events.insert(events.end(), std::make_move_iterator(unsaved_.begin()),
                      std::make_move_iterator(unsaved_.end()));
        unsaved_.clear();
        if (events.size() > kMaxQueue) {
            events.erase(events.begin(), events.end() - kMaxQueue);
        }
    }
    // The batch stays stored until the endpoint has taken it, so ending the process during
    // the upload loses nothing.
    saveQueue(events);
    const bool wanted = force ? !events.empty() : events.size() >= kBatchSize;
    if (wanted && !stopping_) {
        const auto batchEnd = events.begin() + std::min(events.size(), kBatchSize);
        if (post({events.begin(), batchEnd})) {
            saveQueue({batchEnd, events.end()});
        } else if (events.size() > kMaxQueue) {
            // The batch back in front of the rest: the oldest events are the ones kept.
            events.resize(kMaxQueue);
            saveQueue(events);
        }
    }
    store_->unlock();
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
