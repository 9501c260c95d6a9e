#include "adapters/system/logind_sleep_watch.hpp"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quilvo {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

LogindSleepWatch::LogindSleepWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    QDBusConnection::systemBus().connect(kService, kPath, kManager,
                                         QStringLiteral("PrepareForSleep"), this,
                                         SLOT(onPrepareForSleep(bool)));
}

LogindSleepWatch::~LogindSleepWatch() {
    QDBusConnection::systemBus().disconnect(kService, kPath, kManager,
                                            QStringLiteral("PrepareForSleep"), this,
                                            SLOT(onPrepareForSleep(bool)));
}

void LogindSleepWatch::onPrepareForSleep(bool start) {
    if (start == asleep_) {
        return;
    }
    asleep_ = start;
    changed_();
}

void LogindSleepWatch::holdDelay(bool held) {
    wanted_ = held;
    if (!held) {
        // Closing our copy of the descriptor releases the lock.
        lock_ = QDBusUnixFileDescriptor();
    } else if (!lock_.isValid() && !requesting_) {
        requestLock();
    }
}

void LogindSleepWatch::requestLock() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Quilvo")
         << QStringLiteral("音乐在睡眠前淡出") << QStringLiteral("delay");
    requesting_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        requesting_ = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError()) {
            return;
        }
        // A release that came while the call was under way wins; a hold asks again.
        if (wanted_) {
            lock_ = reply.value();
        }
    });
}

}  // namespace quilvo
