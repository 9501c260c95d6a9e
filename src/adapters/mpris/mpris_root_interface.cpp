#include "adapters/mpris/mpris_root_interface.hpp"

#include <gio/gio.h>

#include <string_view>
#include <utility>

namespace quilvo {
namespace {

constexpr const char* kDescription = R"(<node><interface name="org.mpris.MediaPlayer2">
  <method name="Raise"/>
  <method name="Quit"/>
  <property name="CanQuit" type="b" access="read"/>
  <property name="CanRaise" type="b" access="read"/>
  <property name="HasTrackList" type="b" access="read"/>
  <property name="Identity" type="s" access="read"/>
  <property name="DesktopEntry" type="s" access="read"/>
  <property name="SupportedUriSchemes" type="as" access="read"/>
  <property name="SupportedMimeTypes" type="as" access="read"/>
</interface></node>)";

}  // namespace

MprisRootInterface::MprisRootInterface(std::function<void()> quit)
    : quit_(std::move(quit)), description_(g_dbus_node_info_new_for_xml(kDescription, nullptr)) {}

MprisRootInterface::~MprisRootInterface() {
    if (pendingQuit_ != 0) {
        g_source_remove(pendingQuit_);
    }
    g_dbus_node_info_unref(description_);
}

ExportedInterface MprisRootInterface::exported() {
    static const GDBusInterfaceVTable vtable = {&call, &property, nullptr, {}};
    return {description_->interfaces[0], &vtable, this};
}

void MprisRootInterface::call(GDBusConnection*, const char*, const char*, const char*,
                              const char* method, GVariant*, GDBusMethodInvocation* invocation,
                              void* self) {
    g_dbus_method_invocation_return_value(invocation, nullptr);
    auto& root = *static_cast<MprisRootInterface*>(self);
    if (std::string_view(method) != "Quit" || root.pendingQuit_ != 0 || !root.quit_) {
        return;
    }
    // Later, so the caller gets its reply before the application starts tearing down.
    root.pendingQuit_ = g_idle_add(
        [](void* self) -> gboolean {
            auto& root = *static_cast<MprisRootInterface*>(self);
            root.pendingQuit_ = 0;
            root.quit_();
            return G_SOURCE_REMOVE;
        },
        &root);
}

GVariant* MprisRootInterface::property(GDBusConnection*, const char*, const char*, const char*,
                                       const char* name, GError**, void*) {
    const std::string_view property(name);
    if (property == "Identity") {
        return g_variant_new_string("Quilvo");
    }
    if (property == "DesktopEntry") {
        return g_variant_new_string("app.quilvo.Quilvo");
    }
    if (property.starts_with("Supported")) {
        return g_variant_new_strv(nullptr, 0);
    }
    return g_variant_new_boolean(property == "CanQuit");
}

}  // namespace quilvo
