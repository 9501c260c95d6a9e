#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/event_loop.hpp"

typedef struct _GSource GSource;

namespace quilvo {

// The main thread's event loop on GLib's default main context, which a GMainLoop, or Qt's
// event dispatcher in the tray application, runs. Create it on the main thread; posts and
// timers belong to it and stop when it is destroyed.
class GlibEventLoop : public EventLoop {
  public:
    GlibEventLoop() = default;
    ~GlibEventLoop() override;

    GlibEventLoop(const GlibEventLoop&) = delete;
    GlibEventLoop& operator=(const GlibEventLoop&) = delete;

    Instant now() const override;
    void post(std::function<void()> work) override;
    // Safe from any thread, like post().
    void postAfter(Seconds delay, std::function<void()> work) override;
    std::shared_ptr<Timer> scheduleRepeating(Seconds interval,
                                             std::function<void(Timer&)> tick) override;

  private:
    static int drain(void* self);
    void arm(unsigned milliseconds, std::function<void()> work);

    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
    GSource* drainSource_ = nullptr;
    bool closed_ = false;
    // Main thread only.
    std::unordered_set<GSource*> delayed_;
    std::vector<std::weak_ptr<Timer>> timers_;
};

}  // namespace quilvo
