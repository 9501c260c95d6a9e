#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <functional>

namespace quilvo {

// logind on the system bus: tells when the machine is about to sleep and when it has woken, and
// takes a delay lock so that the player can go quiet first. Without logind it does nothing.
class LogindSleepWatch : public QObject {
    Q_OBJECT

  public:
    // `changed` runs on the main thread after each PrepareForSleep.
    explicit LogindSleepWatch(std::function<void()> changed);
    ~LogindSleepWatch() override;

    bool asleep() const { return asleep_; }
    // Holds or releases the delay lock; the lock is taken asynchronously.
    void holdDelay(bool held);

  private Q_SLOTS:
    void onPrepareForSleep(bool start);

  private:
    void requestLock();

    std::function<void()> changed_;
    bool asleep_ = false;
    bool wanted_ = false;
    bool requesting_ = false;
    QDBusUnixFileDescriptor lock_;
};

}  // namespace quilvo
