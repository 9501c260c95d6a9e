#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "adapters/glib/glib_event_loop.hpp"
#include "adapters/gstreamer/gst_audio_player_factory.hpp"
#include "adapters/http/soup_http_client.hpp"
#include "adapters/mpris/mpris_media_session.hpp"
#include "adapters/pulse/pulse_output_device_monitor.hpp"
#include "adapters/pulse/pulse_stream_volume.hpp"
#include "adapters/store/json_file_store.hpp"
#include "adapters/system/dbus_system_condition_monitor.hpp"
#include "app/system_condition_sources.hpp"
#include "player/notification_center.hpp"
#include "player/player_model.hpp"

namespace quilvo {

struct AppOptions {
    // The catalogue to load; the shipped one when absent.
    std::optional<std::filesystem::path> catalogue;
    // Runs when the desktop asks the player to quit.
    std::function<void()> quit;
    // Runs on the main thread with each recorded statistics event.
    std::function<void(const std::string&)> statRecorded;
};

// The player model on the real platform: GLib's event loop, GStreamer, MPRIS, PulseAudio (the
// output device and whether a sound server answers), the network and sleep watch, the state file
// and libsoup. Both front ends build on it. Create it on the main thread, whose loop runs GLib's
// default main context.
class AppRuntime {
  public:
    explicit AppRuntime(AppOptions options);
    ~AppRuntime();
    AppRuntime(const AppRuntime&) = delete;
    AppRuntime& operator=(const AppRuntime&) = delete;

    // Media keys first, then the output-device and system watchers, then "app_open".
    void start();
    // Stops playback and timers, reports the listening session and sends what is queued.
    // Runs once; later calls do nothing.
    void shutdown();

    PlayerModel& model() { return *model_; }
    EventLoop& loop() { return loop_; }
    NotificationCenter& notifications() { return notifications_; }
    // The listener's level of Quilvo in the sound server, for the tray's wheel.
    ListenerVolume& listenerVolume() { return listenerVolume_; }

  private:
    std::function<void(const std::string&)> recordedOnMainThread(
        std::function<void(const std::string&)> handler);

    GlibEventLoop loop_;
    GstAudioPlayerFactory players_;
    PulseStreamVolume listenerVolume_;
    MprisMediaSession media_;
    PulseOutputDeviceMonitor outputDevices_;
    DbusSystemConditionMonitor system_;
    SystemConditionSources conditions_{system_, outputDevices_};
    std::unique_ptr<StatsRecorder> stats_;
    NotificationCenter notifications_;
    std::shared_ptr<PlayerModel> model_;
    bool shutDown_ = false;
};

}  // namespace quilvo
