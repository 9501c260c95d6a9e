#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
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
    // What a watch answers: how soon it wants to be called again, or nothing to stop.
    using Poll = std::function<std::optional<std::chrono::milliseconds>()>;
    // Calls `poll` on the worker thread until it answers nothing. Every watch is called at the
    // shortest interval any of them asked for.
    void watch(Poll poll);
    // Waits until every job posted so far has run, at most `limit`.
    void drain(std::chrono::milliseconds limit);

    // The first call of a new watch.
    static constexpr std::chrono::milliseconds kFirstPoll{20};

  private:
    PipelineWorker();
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    std::vector<Poll> watches_;
    bool busy_ = false;
};

}  // namespace quilvo
