#include "adapters/tray/status_notifier_item.hpp"

#include <gio/gio.h>

#include <string_view>
#include <utility>

namespace quilvo {
namespace {

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr int kWatcherTimeoutMs = 1000;
constexpr unsigned kRegistrationRetryMs = 250;
constexpr int kRegistrationAttempts = 20;

// Every property a host reads, so that none of them asks in vain for one.
constexpr const char* kDescription = R"xml(<node><interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconThemePath" type="s" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="IconAccessibleDesc" type="s" access="read"/>
  <property name="OverlayIconName" type="s" access="read"/>
  <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionMovieName" type="s" access="read"/>
  <property name="AttentionAccessibleDesc" type="s" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
  <signal name="NewTitle"/>
  <signal name="NewIcon"/>
  <signal name="NewAttentionIcon"/>
  <signal name="NewOverlayIcon"/>
  <signal name="NewToolTip"/>
  <signal name="NewStatus"><arg name="status" type="s"/></signal>
</interface></node>)xml";

GVariant* pixmapsVariant(const std::vector<TrayPixmap>& pixmaps) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
    for (const TrayPixmap& pixmap : pixmaps) {
        g_variant_builder_add(&builder, "(ii@ay)", pixmap.width, pixmap.height,
                              g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmap.argb.data(),
                                                        pixmap.argb.size(), 1));
    }
    return g_variant_builder_end(&builder);
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(std::string menuPath, StatusNotifierCalls calls)
    : menuPath_(std::move(menuPath)),
      calls_(std::move(calls)),
      description_(g_dbus_node_info_new_for_xml(kDescription, nullptr)) {
    cancellable_ = g_cancellable_new();
    connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (connection_ == nullptr) {
        return;
    }
    // The shared connection ends the process when the bus goes; a tray icon must not.
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
    static const GDBusInterfaceVTable vtable = {&call, &property, nullptr, {}};
    registration_ = g_dbus_connection_register_object(
        connection_, kItemPath, description_->interfaces[0], &vtable, this, nullptr, nullptr);
    watcherWatch_ =
        g_bus_watch_name_on_connection(connection_, kWatcher, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                       &watcherAppeared, nullptr, this, nullptr);
}

StatusNotifierItem::~StatusNotifierItem() {
    // A registration still under way must not call back into a gone item.
    g_cancellable_cancel(cancellable_);
    if (retry_ != 0) {
        g_source_remove(retry_);
    }
    if (connection_ != nullptr) {
        g_bus_unwatch_name(watcherWatch_);
        g_dbus_connection_unregister_object(connection_, registration_);
        g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
        g_object_unref(connection_);
    }
    g_dbus_node_info_unref(description_);
    g_object_unref(cancellable_);
}

bool StatusNotifierItem::hosted() const {
    if (connection_ == nullptr) {
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, kWatcher, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kWatcher, "IsStatusNotifierHostRegistered"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kWatcherTimeoutMs, nullptr, nullptr);
    if (reply == nullptr) {
        return false;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool hosted = g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) &&
                        g_variant_get_boolean(value) != FALSE;
    g_variant_unref(value);
    g_variant_unref(reply);
    return hosted;
}

void StatusNotifierItem::setIcon(std::vector<TrayPixmap> pixmaps, std::string description) {
    pixmaps_ = std::move(pixmaps);
    iconDescription_ = std::move(description);
    sendSignal("NewIcon");
}

void StatusNotifierItem::sendSignal(const char* signal) {
    if (connection_ != nullptr) {
        g_dbus_connection_emit_signal(connection_, nullptr, kItemPath, kInterface, signal, nullptr,
                                      nullptr);
    }
}

void StatusNotifierItem::watcherAppeared(GDBusConnection*, const char*, const char*, void* self) {
    // A watcher that starts (or restarts) knows no items: tell it ours.
    auto& item = *static_cast<StatusNotifierItem*>(self);
    item.registrationAttempts_ = 0;
    item.registerWithWatcher();
}

int StatusNotifierItem::retryRegistration(void* self) {
    auto& item = *static_cast<StatusNotifierItem*>(self);
    item.retry_ = 0;
    item.registerWithWatcher();
    return G_SOURCE_REMOVE;
}

void StatusNotifierItem::registerWithWatcher() {
    if (retry_ != 0) {
        g_source_remove(retry_);
        retry_ = 0;
    }
    // Under the connection's own name. Told a well-known one, GNOME's extension watches it too and
    // forgets what it read of the item when that watch first reports; where the item's answers
    // come first (a busy shell), it finds nothing a second later and drops the item.
    g_dbus_connection_call(
        connection_, kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem",
        g_variant_new("(s)", g_dbus_connection_get_unique_name(connection_)), nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, cancellable_,
        [](GObject* connection, GAsyncResult* result, void* self) {
            GError* error = nullptr;
            GVariant* reply =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, &error);
            if (reply != nullptr) {
                g_variant_unref(reply);
                return;
            }
            const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
            g_error_free(error);
            auto& item = *static_cast<StatusNotifierItem*>(self);
            // Some watchers own their name a moment before they serve their object.
            if (!cancelled && ++item.registrationAttempts_ < kRegistrationAttempts) {
                item.retry_ = g_timeout_add(kRegistrationRetryMs, &retryRegistration, self);
            }
        },
        this);
}

void StatusNotifierItem::call(GDBusConnection*, const char*, const char*, const char*,
                              const char* method, GVariant* parameters,
                              GDBusMethodInvocation* invocation, void* self) {
    auto& item = *static_cast<StatusNotifierItem*>(self);
    const std::string_view name(method);
    const std::function<void(int, int)>* handler =
        name == "Activate"            ? &item.calls_.activate
        : name == "SecondaryActivate" ? &item.calls_.secondaryActivate
        : name == "ContextMenu"       ? &item.calls_.contextMenu
                                      : nullptr;
    int x = 0;
    int y = 0;
    const char* orientation = "";
    if (handler != nullptr) {
        g_variant_get(parameters, "(ii)", &x, &y);
    } else if (name == "Scroll") {
        g_variant_get(parameters, "(i&s)", &x, &orientation);
    }
    // The reply first: what the call sets off may take a while.
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if (handler != nullptr && *handler) {
        (*handler)(x, y);
    } else if (name == "Scroll" && item.calls_.scroll) {
        // Hosts write the orientation in either case.
        item.calls_.scroll(x, g_ascii_strcasecmp(orientation, "vertical") == 0);
    }
}

GVariant* StatusNotifierItem::property(GDBusConnection*, const char*, const char*, const char*,
                                       const char* name, GError**, void* self) {
    const auto& item = *static_cast<StatusNotifierItem*>(self);
    const std::string_view property(name);
    if (property == "Category") {
        return g_variant_new_string("ApplicationStatus");
    }
    if (property == "Id") {
        return g_variant_new_string("app.quilvo.Quilvo");
    }
    if (property == "Title") {
        return g_variant_new_string("Quilvo");
    }
    if (property == "Status") {
        return g_variant_new_string("Active");
    }
    if (property == "WindowId") {
        return g_variant_new_int32(0);
    }
    if (property == "Menu") {
        return g_variant_new_object_path(item.menuPath_.c_str());
    }
    if (property == "ItemIsMenu") {
        return g_variant_new_boolean(FALSE);
    }
    if (property == "IconPixmap") {
        return pixmapsVariant(item.pixmaps_);
    }
    if (property == "IconAccessibleDesc") {
        return g_variant_new_string(item.iconDescription_.c_str());
    }
    if (property == "ToolTip") {
        return g_variant_new("(s@a(iiay)ss)", "", pixmapsVariant({}), "Quilvo", "");
    }
    if (property.ends_with("Pixmap")) {
        return pixmapsVariant({});
    }
    // The names of themed icons (none: the glyph is drawn), the theme path, the attention
    // movie and the attention description.
    return g_variant_new_string("");
}

}  // namespace quilvo
