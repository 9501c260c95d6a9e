#pragma once

#include <QObject>
#include <memory>

#include "platform/event_loop.hpp"

namespace quilvo {

// The main thread's event loop on QCoreApplication. Create it on the main thread once the
// application object exists; posts and timers belong to it and stop when it is destroyed.
class QtEventLoop : public EventLoop {
  public:
    QtEventLoop();
    ~QtEventLoop() override;

    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    Instant now() const override;
    void post(std::function<void()> work) override;
    // Safe from any thread, like post().
    void postAfter(Seconds delay, std::function<void()> work) override;
    std::shared_ptr<Timer> scheduleRepeating(Seconds interval,
                                             std::function<void(Timer&)> tick) override;

  private:
    std::unique_ptr<QObject> context_;
};

}  // namespace quilvo
