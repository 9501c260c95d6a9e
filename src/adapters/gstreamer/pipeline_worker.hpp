#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace quilvo {

// The one thread that changes pipeline states and tears pipelines down, so that no caller ever
// waits on GStreamer. It sleeps while there is nothing to do, and lives as long as the process.
class PipelineWorker {
  public:
    static PipelineWorker& instance();

    PipelineWorker(const PipelineWorker&) = delete;
    PipelineWorker& operator=(const PipelineWorker&) = delete;

    // Runs `job` on the worker thread, in posting order.
    void post(std::function<void()> job);
    // Waits until every job posted so far has run, at most `limit`.
    void drain(std::chrono::milliseconds limit);

  private:
    PipelineWorker();
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
};

}  // namespace quilvo
