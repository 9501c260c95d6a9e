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
    flushing_ = true;
    queue_.async([this] { pump(true); });
}

void Stats::pump(bool force) {
    std::size_t fresh = 0;
    {
        std::lock_guard lock(trackedMutex_);
        fresh = tracked_.size();
        unrecorded_.insert(unrecorded_.end(), std::make_move_iterator(tracked_.begin()),
                           std::make_move_iterator(tracked_.end()));
        tracked_.clear();
    }
    if (fresh == 0 && !force) {
        return;
    }
    // Other processes may share the store: from reading the queue to saving the result, the
    // upload included, it is ours alone. Without the lock new events wait here for a later
    // turn, and stored ones stay for whichever process gets the lock next.
    const bool locked = store_->lock(stopping_ ? Seconds{0} : kUploadWait);
    if (locked || deviceKey_) {
        for (const EventFields& fields : unrecorded_) {
            unsaved_.push_back(record(fields));
        }
        unrecorded_.clear();
    }
    if (!locked) {
        if (unsaved_.size() > kMaxQueue) {
            unsaved_.erase(unsaved_.begin(), unsaved_.end() - kMaxQueue);
        }
        return;
    }
    std::vector<std::string> events = loadQueue();
    std::erase_if(events, [this](const std::string& event) { return delivered_.contains(event); });
    // The first `stored` of `events` are in the store.
    std::size_t stored = events.size();
    events.insert(events.end(), unsaved_.begin(), unsaved_.end());
    // The batch stays stored until the endpoint has taken it, so ending the process during the
    // upload loses nothing.
    if ((!unsaved_.empty() || !delivered_.empty()) && saveQueue(events)) {
        delivered_.clear();
        stored = events.size();
    }
    // One batch for each new event, as if each had been sent on its own, so that a burst loses
    // nothing to the queue's limit; new events waiting are stored before the next batch. Once the
    // program flushes at its end, sending stops as soon as the store keeps the rest: quitting
    // cuts off an upload under way, which the endpoint may have taken all the same. What a store
    // that cannot be written would lose is sent to the end.
    const auto storeKeepsRest = [&] { return stored == events.size() && stored <= kMaxQueue; };
    std::size_t batches = !force ? fresh : storeKeepsRest() ? 1 : events.size();
    bool changed = false;
    while (batches > 0 && !stopping_ && (force ? !events.empty() : events.size() >= kBatchSize) &&
           !(changed && ((flushing_ && storeKeepsRest()) || moreTracked()))) {
        --batches;
        const std::size_t count = std::min(events.size(), kBatchSize);
        const auto batchEnd = events.begin() + static_cast<std::ptrdiff_t>(count);
        if (!post({events.begin(), batchEnd})) {
            break;
        }
        const std::size_t fromStore = std::min(count, stored);
        delivered_.insert(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(fromStore));
        stored -= fromStore;
        events.erase(events.begin(), batchEnd);
        changed = true;
    }
    if (events.size() > kMaxQueue) {
        // New events push the oldest out; a batch put back keeps its place before the rest.
        const std::size_t excess = events.size() - kMaxQueue;
        if (fresh > 0) {
            events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(excess));
            stored -= std::min(stored, excess);
        } else {
            events.resize(kMaxQueue);
            stored = std::min(stored, kMaxQueue);
        }
        changed = true;
    }
    if (changed && saveQueue(events)) {
        delivered_.clear();
        stored = events.size();
    }
    unsaved_.assign(events.begin() + static_cast<std::ptrdiff_t>(stored), events.end());
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
