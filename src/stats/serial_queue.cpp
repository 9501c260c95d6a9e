#include "stats/serial_queue.hpp"

#include <pthread.h>

#include <exception>

namespace quilvo {

SerialQueue::SerialQueue(const std::string& threadName)
    : thread_([this, name = threadName] { run(name); }) {}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) {
            return;
        }
        items_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void SerialQueue::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return items_.empty() && !busy_; });
}

bool SerialQueue::waitUntilIdleFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return items_.empty() && !busy_; });
}

void SerialQueue::run(std::string threadName) {
    pthread_setname_np(pthread_self(), threadName.substr(0, 15).c_str());
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return closing_ || !items_.empty(); });
        if (items_.empty()) {
            return;
        }
        std::function<void()> work = std::move(items_.front());
        items_.pop_front();
        busy_ = true;
        lock.unlock();
        try {
            work();
        } catch (const std::exception&) {
            // A failing item must not end the queue: later items still run.
        }
        lock.lock();
        busy_ = false;
        if (items_.empty()) {
            idle_.notify_all();
        }
    }
}

}  // namespace quilvo
