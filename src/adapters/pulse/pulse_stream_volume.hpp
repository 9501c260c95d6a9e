#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>

#include "platform/listener_volume.hpp"

namespace quilvo {

// The listener's level as the volume of this process's streams on a PulseAudio (or PipeWire
// pulse) server, followed over a libpulse connection on GLib's default main context. A new
// stream takes the level the server restores; where that differs from the level the listener
// chose during this run (a server without a restore module), the stream is set to it. Without
// a sound server it keeps the level and waits for one.
class PulseStreamVolume final : public ListenerVolume {
  public:
    PulseStreamVolume();
    ~PulseStreamVolume() override;
    PulseStreamVolume(const PulseStreamVolume&) = delete;
    PulseStreamVolume& operator=(const PulseStreamVolume&) = delete;

    double level() const override;
    void setLevel(double level) override;
    void observe(std::function<void()> changed) override;

  private:
    struct Stream {
        std::uint8_t channels = 0;
        // Our own write is on its way: what the server reports meanwhile is not the listener's.
        bool writing = false;
    };

    static void onContextState(pa_context* context, void* self);
    static void onEvent(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index,
                        void* self);
    static void onInfo(pa_context* context, const pa_sink_input_info* info, int eol, void* self);
    static void onWritten(pa_context* context, int success, void* self);
    static int onRetry(void* self);

    void connect();
    void dropContext();
    void take(const pa_sink_input_info& info);
    void write(std::uint32_t index, Stream& stream);
    void changed();

    pa_glib_mainloop* loop_;
    pa_context* context_ = nullptr;
    unsigned retry_ = 0;
    // On PA_VOLUME_NORM's scale; known once a stream has played or the listener set it.
    std::uint32_t level_;
    bool known_ = false;
    std::map<std::uint32_t, Stream> streams_;
    std::vector<std::uint32_t> written_;
    std::vector<std::function<void()>> observers_;
};

}  // namespace quilvo
