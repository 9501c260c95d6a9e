#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quilvo {

// One worker thread that runs submitted work one item at a time, in submission order.
class SerialQueue {
  public:
    // `threadName` is what tools such as top show (at most 15 characters are kept).
    explicit SerialQueue(const std::string& threadName);
    // Runs everything already submitted, then ends the thread.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    // Never blocks on the work itself. Ignored once destruction has begun.
    void async(std::function<void()> work);
    // Blocks until every item submitted before the call has run. Not from the worker itself.
    void waitUntilIdle();
    // The same, giving up after `timeout`; true when the queue went idle.
    bool waitUntilIdleFor(std::chrono::milliseconds timeout);

  private:
    void run(std::string threadName);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> items_;
    bool busy_ = false;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace quilvo
