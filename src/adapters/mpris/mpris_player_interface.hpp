#pragma once

#include "adapters/mpris/mpris_bus_connection.hpp"
#include "adapters/mpris/mpris_player_state.hpp"
#include "platform/listener_volume.hpp"
#include "platform/media_session.hpp"

typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GDBusNodeInfo GDBusNodeInfo;

namespace quilvo {

// org.mpris.MediaPlayer2.Player: a live stream, so no seeking, no previous track and a fixed
// rate. Volume is the listener's level of Quilvo in the sound server, never the fades.
class MprisPlayerInterface {
  public:
    MprisPlayerInterface(const MprisPlayerState& state, const RemoteCommands& commands,
                         ListenerVolume& volume);
    ~MprisPlayerInterface();
    MprisPlayerInterface(const MprisPlayerInterface&) = delete;
    MprisPlayerInterface& operator=(const MprisPlayerInterface&) = delete;

    ExportedInterface exported();

  private:
    static void call(GDBusConnection*, const char*, const char*, const char*, const char* method,
                     GVariant*, GDBusMethodInvocation* invocation, void* self);
    static GVariant* property(GDBusConnection*, const char*, const char*, const char*,
                              const char* name, GError**, void* self);
    static int setProperty(GDBusConnection*, const char*, const char*, const char*, const char*,
                           GVariant* value, GError**, void* self);

    const MprisPlayerState& state_;
    const RemoteCommands& commands_;
    ListenerVolume& volume_;
    GDBusNodeInfo* description_;
};

}  // namespace quilvo
