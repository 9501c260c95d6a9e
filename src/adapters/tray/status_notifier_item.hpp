#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// GLib's types by name only: gio.h does not mix with Qt's keywords.
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GDBusNodeInfo GDBusNodeInfo;
typedef struct _GVariant GVariant;
typedef struct _GError GError;
typedef struct _GCancellable GCancellable;

namespace quilvo {

// One size of the icon: ARGB32 pixels, each in network byte order, rows top to bottom.
struct TrayPixmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> argb;
};

// What the desktop's tray asks of the item; x and y are where on the screen it was clicked.
struct StatusNotifierCalls {
    std::function<void(int x, int y)> activate;
    std::function<void(int x, int y)> secondaryActivate;
    std::function<void(int x, int y)> contextMenu;
    // The wheel over the icon: `delta` as the host counts it, `vertical` or not.
    std::function<void(int delta, bool vertical)> scroll;
};

// The tray icon as an org.kde.StatusNotifierItem on the session bus, registered with the
// desktop's org.kde.StatusNotifierWatcher and again whenever a watcher appears. It lives on
// GLib's shared session connection, where libdbusmenu serves the menu at `menuPath`, so that
// hosts find both under one bus name. Without a session bus it stays inert.
class StatusNotifierItem {
  public:
    StatusNotifierItem(std::string menuPath, StatusNotifierCalls calls);
    ~StatusNotifierItem();
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // Whether a watcher with a registered host is on the bus now: a desktop that shows items.
    bool hosted() const;

    // A new frame, in the sizes the hosts choose from, with what it shows in words. Hosts are
    // told with NewIcon and read the pixmaps when they want them.
    void setIcon(std::vector<TrayPixmap> pixmaps, std::string description);

  private:
    static void call(GDBusConnection*, const char*, const char*, const char*, const char* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, void* self);
    static GVariant* property(GDBusConnection*, const char*, const char*, const char*,
                              const char* name, GError**, void* self);
    static void watcherAppeared(GDBusConnection*, const char*, const char*, void* self);
    static int retryRegistration(void* self);
    void registerWithWatcher();
    void sendSignal(const char* signal);

    std::string menuPath_;
    StatusNotifierCalls calls_;
    GDBusNodeInfo* description_;
    GDBusConnection* connection_ = nullptr;
    unsigned registration_ = 0;
    unsigned watcherWatch_ = 0;
    GCancellable* cancellable_ = nullptr;
    unsigned retry_ = 0;
    int registrationAttempts_ = 0;
    std::vector<TrayPixmap> pixmaps_;
    std::string iconDescription_;
};

}  // namespace quilvo
