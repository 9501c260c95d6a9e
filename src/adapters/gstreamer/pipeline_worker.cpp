#include "adapters/gstreamer/pipeline_worker.hpp"

#include <pthread.h>

#include <thread>

namespace quilvo {

PipelineWorker& PipelineWorker::instance() {
    // Never destroyed: pipelines may still be torn down while the process exits.
    static auto* worker = new PipelineWorker();
    return *worker;
}

PipelineWorker::PipelineWorker() {
    std::thread thread([this] { run(); });
    pthread_setname_np(thread.native_handle(), "quilvo-gst");
    thread.detach();
}

void PipelineWorker::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void PipelineWorker::watch(Poll poll) {
    {
        std::lock_guard lock(mutex_);
        watches_.push_back(std::move(poll));
    }
    wake_.notify_one();
}

void PipelineWorker::drain(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    idle_.wait_for(lock, limit, [this] { return jobs_.empty() && !busy_; });
}

void PipelineWorker::run() {
    auto nextPoll = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!jobs_.empty()) {
            auto job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
            lock.unlock();
            job();
            job = nullptr;
            lock.lock();
            busy_ = false;
            if (jobs_.empty()) {
                idle_.notify_all();
            }
            continue;
        }
        if (watches_.empty()) {
            wake_.wait(lock);
            nextPoll = std::chrono::steady_clock::now() + kFirstPoll;
            continue;
        }
        if (std::chrono::steady_clock::now() < nextPoll) {
            wake_.wait_until(lock, nextPoll);
            continue;
        }
        auto polls = std::move(watches_);
        watches_.clear();
        lock.unlock();
        std::optional<std::chrono::milliseconds> soonest;
        std::erase_if(polls, [&soonest](auto& poll) {
            const auto next = poll();
            if (next && (!soonest || *next < *soonest)) {
                soonest = next;
            }
            return !next;
        });
        lock.lock();
        watches_.insert(watches_.end(), std::make_move_iterator(polls.begin()),
                        std::make_move_iterator(polls.end()));
        nextPoll = std::chrono::steady_clock::now() + soonest.value_or(kFirstPoll);
    }
}

}  // namespace quilvo
