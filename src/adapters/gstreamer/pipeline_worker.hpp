#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace quilvo {

// The one thread that changes pipeline states, tears pipelines down and watches playing
// ones, so that no caller ever waits on GStreamer. It lives as long as the process.
class PipelineWorker {
  public:
    static PipelineWorker& instance();

    PipelineWorker(const PipelineWorker&) = delete;
    PipelineWorker& operator=(const PipelineWorker&) = delete;

    // Runs `job` on the worker thread, in posting order.
    void post(std::function<void()> job);
    // Calls `poll` on the worker thread every kPollInterval until it returns false.
    void watch(std::function<bool()> poll);
    // Waits until every job posted so far has run, at most `limit`.
    void drain(std::chrono::milliseconds limit);

    static constexpr std::chrono::milliseconds kPollInterval{100};

  private:
    PipelineWorker();
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::function<bool()>> watches_;
    bool busy_ = false;
};

}  // namespace quilvo
