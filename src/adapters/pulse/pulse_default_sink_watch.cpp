#include "adapters/pulse/pulse_default_sink_watch.hpp"

#include <algorithm>
#include <utility>

#include <pulse/operation.h>
#include <pulse/timeval.h>

namespace quilvo {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstRetry{500};
constexpr milliseconds kLongestRetry{10000};

void release(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

}  // namespace

PulseDefaultSinkWatch::PulseDefaultSinkWatch(std::function<void()> changed)
    : changed_(std::move(changed)),
      loop_(pa_threaded_mainloop_new()),
      api_(pa_threaded_mainloop_get_api(loop_)),
      backoff_(kFirstRetry) {
    // The thread is not running yet, so no lock is needed to set things up.
    connect();
    pa_threaded_mainloop_set_name(loop_, "quilvo-pulse");
    pa_threaded_mainloop_start(loop_);
}

PulseDefaultSinkWatch::~PulseDefaultSinkWatch() {
    pa_threaded_mainloop_lock(loop_);
    if (retry_ != nullptr) {
        api_->time_free(retry_);
        retry_ = nullptr;
    }
    if (context_ != nullptr) {
        dropContext();
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void PulseDefaultSinkWatch::connect() {
    context_ = pa_context_new(api_, "Quilvo");
    pa_context_set_state_callback(context_, &PulseDefaultSinkWatch::onContextState, this);
    // Never start a sound server of our own: without one we simply wait for it.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        context_ != nullptr) {
        dropContext();
        scheduleRetry();
    }
}

void PulseDefaultSinkWatch::onContextState(pa_context* context, void* self) {
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            watch.backoff_ = kFirstRetry;
            watch.subscribe();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            watch.dropContext();
            watch.scheduleRetry();
            break;
        default:
            break;
    }
}

void PulseDefaultSinkWatch::subscribe() {
    pa_context_set_subscribe_callback(context_, &PulseDefaultSinkWatch::onServerEvent, this);
    release(pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
    // Asked after subscribing, so no change can fall between the answer and the first event.
    askForDefaultSink();
}

void PulseDefaultSinkWatch::onServerEvent(pa_context*, pa_subscription_event_type_t type, uint32_t,
                                          void* self) {
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER) {
        static_cast<PulseDefaultSinkWatch*>(self)->askForDefaultSink();
    }
}

void PulseDefaultSinkWatch::askForDefaultSink() {
    release(pa_context_get_server_info(context_, &PulseDefaultSinkWatch::onServerInfo, this));
}

void PulseDefaultSinkWatch::onServerInfo(pa_context*, const pa_server_info* info, void* self) {
    if (info == nullptr) {
        return;
    }
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    // Server events also come for the default source, the cookie and the like.
    std::string sink = info->default_sink_name != nullptr ? info->default_sink_name : "";
    const bool changed = watch.defaultSink_.has_value() && *watch.defaultSink_ != sink;
    watch.defaultSink_ = std::move(sink);
    if (changed) {
        watch.changed_();
    }
}

void PulseDefaultSinkWatch::dropContext() {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

void PulseDefaultSinkWatch::scheduleRetry() {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, std::chrono::microseconds(backoff_).count());
    retry_ = api_->time_new(api_, &when, &PulseDefaultSinkWatch::onRetry, this);
    backoff_ = std::min(backoff_ * 2, kLongestRetry);
}

void PulseDefaultSinkWatch::onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                                    void* self) {
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    api->time_free(event);
    watch.retry_ = nullptr;
    watch.connect();
}

}  // namespace quilvo
