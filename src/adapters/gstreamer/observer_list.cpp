#include "adapters/gstreamer/observer_list.hpp"

#include <algorithm>
#include <atomic>
#include <thread>

namespace quilvo {

class ObserverList::Entry {
  public:
    explicit Entry(std::function<void()> callback) : callback_(std::move(callback)) {}

    void run() {
        std::lock_guard lock(mutex_);
        if (!active_) {
            return;
        }
        runner_ = std::this_thread::get_id();
        callback_();
        runner_ = std::thread::id();
        if (!active_) {
            callback_ = nullptr;
        }
    }

    void invalidate() {
        if (runner_.load() == std::this_thread::get_id()) {
            // Inside our own callback: the lock is ours already; run() drops the callback.
            active_ = false;
            return;
        }
        std::lock_guard lock(mutex_);
        active_ = false;
        callback_ = nullptr;
    }

  private:
    std::mutex mutex_;
    std::atomic<std::thread::id> runner_;
    bool active_ = true;
    std::function<void()> callback_;
};

namespace {

class EntryObservation : public Observation {
  public:
    explicit EntryObservation(std::shared_ptr<ObserverList::Entry> entry)
        : entry_(std::move(entry)) {}
    ~EntryObservation() override { entry_->invalidate(); }
    void invalidate() override { entry_->invalidate(); }

  private:
    std::shared_ptr<ObserverList::Entry> entry_;
};

}  // namespace

std::unique_ptr<Observation> ObserverList::add(std::function<void()> callback, bool initial) {
    auto entry = std::make_shared<Entry>(std::move(callback));
    {
        std::lock_guard lock(mutex_);
        if (!closed_) {
            std::erase_if(entries_, [](const auto& e) { return e.use_count() == 1; });
            entries_.push_back(entry);
        }
    }
    if (initial) {
        entry->run();
    }
    return std::make_unique<EntryObservation>(std::move(entry));
}

std::vector<std::shared_ptr<ObserverList::Entry>> ObserverList::snapshot() {
    std::lock_guard lock(mutex_);
    return entries_;
}

void ObserverList::notify() {
    for (const auto& entry : snapshot()) {
        entry->run();
    }
}

void ObserverList::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    entries_.clear();
}

}  // namespace quilvo
