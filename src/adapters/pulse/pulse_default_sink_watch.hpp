#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop-api.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

namespace quilvo {

// Follows the sound server's default sink from a libpulse thread of its own. Connects at once,
// and again after the server has gone away, with growing pauses between attempts.
class PulseDefaultSinkWatch {
  public:
    // `changed` runs on the watch's thread each time the default sink's name changes.
    explicit PulseDefaultSinkWatch(std::function<void()> changed);
    // Returns once the thread has ended.
    ~PulseDefaultSinkWatch();
    PulseDefaultSinkWatch(const PulseDefaultSinkWatch&) = delete;
    PulseDefaultSinkWatch& operator=(const PulseDefaultSinkWatch&) = delete;

  private:
    static void onContextState(pa_context* context, void* self);
    static void onServerEvent(pa_context* context, pa_subscription_event_type_t type,
                              uint32_t index, void* self);
    static void onServerInfo(pa_context* context, const pa_server_info* info, void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when,
                        void* self);

    void connect();
    void subscribe();
    void askForDefaultSink();
    void dropContext();
    void scheduleRetry();

    std::function<void()> changed_;
    pa_threaded_mainloop* loop_;
    pa_mainloop_api* api_;
    pa_context* context_ = nullptr;
    pa_time_event* retry_ = nullptr;
    std::chrono::milliseconds backoff_;
    // Absent until the server first answered; empty when it has no default sink.
    std::optional<std::string> defaultSink_;
};

}  // namespace quilvo
