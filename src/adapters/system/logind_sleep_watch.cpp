#include "adapters/system/logind_sleep_watch.hpp"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <utility>

namespace quilvo {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

// The descriptor an Inhibit reply carries, or -1.
int lockFrom(GDBusConnection* bus, GAsyncResult* result) {
    GUnixFDList* descriptors = nullptr;
    GVariant* reply =
        g_dbus_connection_call_with_unix_fd_list_finish(bus, &descriptors, result, nullptr);
    int lock = -1;
    if (reply != nullptr && descriptors != nullptr) {
        int index = -1;
        g_variant_get(reply, "(h)", &index);
        lock = g_unix_fd_list_get(descriptors, index, nullptr);
    }
    if (reply != nullptr) {
        g_variant_unref(reply);
    }
    if (descriptors != nullptr) {
        g_object_unref(descriptors);
    }
    return lock;
}

}  // namespace

LogindSleepWatch::LogindSleepWatch(GDBusConnection* bus, std::function<void()> changed)
    : bus_(bus), changed_(std::move(changed)) {
    if (bus_ == nullptr) {
        return;
    }
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, kService, kManager, "PrepareForSleep", kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, const char*, const char*,
           GVariant* parameters, void* self) {
            auto& watch = *static_cast<LogindSleepWatch*>(self);
            gboolean start = FALSE;
            if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
                return;
            }
            g_variant_get(parameters, "(b)", &start);
            if (static_cast<bool>(start) != watch.asleep_) {
                watch.asleep_ = start;
                watch.changed_();
            }
        },
        this, nullptr);
}

LogindSleepWatch::~LogindSleepWatch() {
    if (subscription_ != 0) {
        g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    }
    releaseLock();
}

void LogindSleepWatch::holdDelay(bool held) {
    wanted_ = held;
    if (!held) {
        releaseLock();
    } else if (lock_ < 0 && !requesting_) {
        requestLock();
    }
}

void LogindSleepWatch::releaseLock() {
    // Closing our copy of the descriptor releases the lock.
    if (lock_ >= 0) {
        close(lock_);
        lock_ = -1;
    }
}

void LogindSleepWatch::requestLock() {
    if (bus_ == nullptr || g_dbus_connection_is_closed(bus_)) {
        return;
    }
    requesting_ = true;
    g_dbus_connection_call_with_unix_fd_list(
        bus_, kService, kPath, kManager, "Inhibit",
        g_variant_new("(ssss)", "sleep", "Quilvo", "音乐在睡眠前淡出", "delay"),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr,
        [](GObject* bus, GAsyncResult* result, void* data) {
            const std::unique_ptr<std::weak_ptr<LogindSleepWatch*>> weak(
                static_cast<std::weak_ptr<LogindSleepWatch*>*>(data));
            const int lock = lockFrom(G_DBUS_CONNECTION(bus), result);
            const auto self = weak->lock();
            // A release that came while the call was under way wins; a hold asks again.
            if (!self || !(*self)->wanted_) {
                if (lock >= 0) {
                    close(lock);
                }
            } else {
                (*self)->lock_ = lock;
            }
            if (self) {
                (*self)->requesting_ = false;
            }
        },
        new std::weak_ptr<LogindSleepWatch*>(self_));
}

}  // namespace quilvo
