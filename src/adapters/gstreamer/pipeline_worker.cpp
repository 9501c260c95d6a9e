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

void PipelineWorker::drain(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    idle_.wait_for(lock, limit, [this] { return jobs_.empty() && !busy_; });
}

void PipelineWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !jobs_.empty(); });
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
    }
}

}  // namespace quilvo
