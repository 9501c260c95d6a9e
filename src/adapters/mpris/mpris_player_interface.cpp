#include "adapters/mpris/mpris_player_interface.hpp"

#include <gio/gio.h>

#include <functional>
#include <string_view>

namespace quilvo {
namespace {

constexpr const char* kDescription = R"(<node><interface name="org.mpris.MediaPlayer2.Player">
  <method name="Next"/>
  <method name="Previous"/>
  <method name="Pause"/>
  <method name="PlayPause"/>
  <method name="Stop"/>
  <method name="Play"/>
  <method name="Seek"><arg name="Offset" type="x" direction="in"/></method>
  <method name="SetPosition">
    <arg name="TrackId" type="o" direction="in"/>
    <arg name="Position" type="x" direction="in"/>
  </method>
  <method name="OpenUri"><arg name="Uri" type="s" direction="in"/></method>
  <signal name="Seeked"><arg name="Position" type="x"/></signal>
  <property name="PlaybackStatus" type="s" access="read"/>
  <property name="Rate" type="d" access="read"/>
  <property name="Metadata" type="a{sv}" access="read"/>
  <property name="Volume" type="d" access="readwrite"/>
  <property name="Position" type="x" access="read"/>
  <property name="MinimumRate" type="d" access="read"/>
  <property name="MaximumRate" type="d" access="read"/>
  <property name="CanGoNext" type="b" access="read"/>
  <property name="CanGoPrevious" type="b" access="read"/>
  <property name="CanPlay" type="b" access="read"/>
  <property name="CanPause" type="b" access="read"/>
  <property name="CanSeek" type="b" access="read"/>
  <property name="CanControl" type="b" access="read"/>
</interface></node>)";

}  // namespace

MprisPlayerInterface::MprisPlayerInterface(const MprisPlayerState& state,
                                           const RemoteCommands& commands, ListenerVolume& volume)
    : state_(state),
      commands_(commands),
      volume_(volume),
      description_(g_dbus_node_info_new_for_xml(kDescription, nullptr)) {}

MprisPlayerInterface::~MprisPlayerInterface() {
    g_dbus_node_info_unref(description_);
}

ExportedInterface MprisPlayerInterface::exported() {
    static const GDBusInterfaceVTable vtable = {&call, &property, &setProperty, {}};
    return {description_->interfaces[0], &vtable, this};
}

void MprisPlayerInterface::call(GDBusConnection*, const char*, const char*, const char*,
                                const char* method, GVariant*, GDBusMethodInvocation* invocation,
                                void* self) {
    g_dbus_method_invocation_return_value(invocation, nullptr);
    const RemoteCommands& commands = static_cast<MprisPlayerInterface*>(self)->commands_;
    const std::string_view name(method);
    // A radio cannot rewind to the start, so Stop pauses. Previous, Seek, SetPosition and
    // OpenUri do nothing.
    const std::function<void()>* handler = name == "Next"                      ? &commands.nextTrack
                                           : name == "Pause" || name == "Stop" ? &commands.pause
                                           : name == "PlayPause" ? &commands.togglePlayPause
                                           : name == "Play"      ? &commands.play
                                                                 : nullptr;
    // A command may arrive before the model has registered its handlers.
    if (handler != nullptr && *handler) {
        (*handler)();
    }
}

GVariant* MprisPlayerInterface::property(GDBusConnection*, const char*, const char*, const char*,
                                         const char* name, GError**, void* self) {
    auto& interface = *static_cast<MprisPlayerInterface*>(self);
    const MprisPlayerState& state = interface.state_;
    const std::string_view property(name);
    if (property == "PlaybackStatus") {
        return g_variant_new_string(state.playbackStatus().c_str());
    }
    if (property == "Metadata") {
        return state.metadata();
    }
    if (property == "Position") {
        return g_variant_new_int64(0);
    }
    if (property == "Volume") {
        return g_variant_new_double(interface.volume_.level());
    }
    if (property.ends_with("Rate")) {
        return g_variant_new_double(1.0);
    }
    return g_variant_new_boolean(property != "CanGoPrevious" && property != "CanSeek");
}

// GDBus lets through only writable properties of their declared type: here, Volume.
int MprisPlayerInterface::setProperty(GDBusConnection*, const char*, const char*, const char*,
                                      const char*, GVariant* value, GError**, void* self) {
    static_cast<MprisPlayerInterface*>(self)->volume_.setLevel(g_variant_get_double(value));
    return TRUE;
}

}  // namespace quilvo
