#pragma once

#include <functional>
#include <memory>

// GLib's types by name only: gio.h does not mix with Qt's keywords.
typedef struct _GDBusConnection GDBusConnection;

namespace quilvo {

// logind on the system bus: tells when the machine is about to sleep and when it has woken, and
// takes a delay lock so that the player can go quiet first. Without logind, or without a bus
// (null), it does nothing.
class LogindSleepWatch {
  public:
    // `changed` runs on the main thread after each PrepareForSleep.
    LogindSleepWatch(GDBusConnection* bus, std::function<void()> changed);
    ~LogindSleepWatch();
    LogindSleepWatch(const LogindSleepWatch&) = delete;
    LogindSleepWatch& operator=(const LogindSleepWatch&) = delete;

    bool asleep() const { return asleep_; }
    // Holds or releases the delay lock; the lock is taken asynchronously.
    void holdDelay(bool held);

  private:
    void requestLock();
    void releaseLock();

    GDBusConnection* bus_;
    std::function<void()> changed_;
    unsigned subscription_ = 0;
    bool asleep_ = false;
    bool wanted_ = false;
    bool requesting_ = false;
    int lock_ = -1;
    // What a reply that arrives after this watch is gone finds expired.
    std::shared_ptr<LogindSleepWatch*> self_ = std::make_shared<LogindSleepWatch*>(this);
};

}  // namespace quilvo
