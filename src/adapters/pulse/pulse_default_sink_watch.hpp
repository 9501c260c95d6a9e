#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "adapters/pulse/output_device_tracker.hpp"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop-api.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

namespace quilvo {

// Follows the sound server and its default sink from a libpulse thread of its own. Connects at
// once, and again after the server has gone away, at most a second apart.
class PulseDefaultSinkWatch {
  public:
    // On the watch's thread: `changed` each time the output device (the default sink or its
    // active port) changes; `answers` with whether a server answers, after the first attempt
    // to reach one and at each change; `named` with the server's name each time it is read.
    PulseDefaultSinkWatch(std::function<void()> changed, std::function<void(bool)> answers,
                          std::function<void(std::string)> named);
    // Returns once the thread has ended.
    ~PulseDefaultSinkWatch();
    PulseDefaultSinkWatch(const PulseDefaultSinkWatch&) = delete;
    PulseDefaultSinkWatch& operator=(const PulseDefaultSinkWatch&) = delete;

  private:
    static void onContextState(pa_context* context, void* self);
    static void onServerEvent(pa_context* context, pa_subscription_event_type_t type,
                              uint32_t index, void* self);
    static void onServerInfo(pa_context* context, const pa_server_info* info, void* self);
    static void onSinkInfo(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when,
                        void* self);

    void connect();
    void subscribe();
    void askForDefaultSink();
    void dropContext();
    void scheduleRetry();
    void tellAnswers(bool answers);

    std::function<void()> changed_;
    std::function<void(bool)> answers_;
    std::function<void(std::string)> named_;
    std::optional<bool> answered_;
    pa_threaded_mainloop* loop_;
    pa_mainloop_api* api_;
    pa_context* context_ = nullptr;
    pa_time_event* retry_ = nullptr;
    std::chrono::milliseconds backoff_;
    OutputDeviceTracker device_;
};

}  // namespace quilvo
