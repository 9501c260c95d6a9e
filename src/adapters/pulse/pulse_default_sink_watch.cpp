#include "adapters/pulse/pulse_default_sink_watch.hpp"

#include "adapters/pulse/pulse_context.hpp"

#include <algorithm>
#include <utility>

#include <pulse/operation.h>
#include <pulse/timeval.h>

namespace quilvo {
namespace {

using std::chrono::milliseconds;

// A server that restarts (a crash, an upgrade) is back within a second: the player waits for it.
constexpr milliseconds kFirstRetry{250};
constexpr milliseconds kLongestRetry{1000};

void release(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

}  // namespace

PulseDefaultSinkWatch::PulseDefaultSinkWatch(std::function<void()> changed,
                                             std::function<void(bool)> answers,
                                             std::function<void(std::string)> named)
    : changed_(std::move(changed)),
      answers_(std::move(answers)),
      named_(std::move(named)),
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
        tellAnswers(false);
        scheduleRetry();
    }
}

void PulseDefaultSinkWatch::tellAnswers(bool answers) {
    if (answered_ != answers) {
        answered_ = answers;
        answers_(answers);
    }
}

void PulseDefaultSinkWatch::onContextState(pa_context* context, void* self) {
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            watch.backoff_ = kFirstRetry;
            watch.subscribe();
            watch.tellAnswers(true);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            watch.dropContext();
            watch.tellAnswers(false);
            watch.scheduleRetry();
            break;
        default:
            break;
    }
}

void PulseDefaultSinkWatch::subscribe() {
    pa_context_set_subscribe_callback(context_, &PulseDefaultSinkWatch::onServerEvent, this);
    // Sink events tell of a new active port (headphones in or out) on the same sink.
    release(pa_context_subscribe(context_,
                                 static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER |
                                                                     PA_SUBSCRIPTION_MASK_SINK),
                                 nullptr, nullptr));
    // Asked after subscribing, so no change can fall between the answer and the first event.
    askForDefaultSink();
}

void PulseDefaultSinkWatch::onServerEvent(pa_context* context, pa_subscription_event_type_t type,
                                          uint32_t index, void* self) {
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        watch.askForDefaultSink();
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK &&
               (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE &&
               watch.device_.defaultIndex() == index) {
        release(pa_context_get_sink_info_by_index(context, index,
                                                  &PulseDefaultSinkWatch::onSinkInfo, self));
    }
}

void PulseDefaultSinkWatch::askForDefaultSink() {
    release(pa_context_get_server_info(context_, &PulseDefaultSinkWatch::onServerInfo, this));
}

void PulseDefaultSinkWatch::onServerInfo(pa_context* context, const pa_server_info* info,
                                         void* self) {
    if (info == nullptr) {
        return;
    }
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    watch.named_(info->server_name != nullptr ? info->server_name : "");
    // Server events also come for the default source, the cookie and the like.
    const std::string sink = info->default_sink_name != nullptr ? info->default_sink_name : "";
    if (watch.device_.defaultSink(sink)) {
        watch.changed_();
    }
    // Also after a restart of the server, whose sinks have new indexes.
    if (!sink.empty()) {
        release(pa_context_get_sink_info_by_name(context, sink.c_str(),
                                                 &PulseDefaultSinkWatch::onSinkInfo, self));
    }
}

void PulseDefaultSinkWatch::onSinkInfo(pa_context*, const pa_sink_info* info, int, void* self) {
    auto& watch = *static_cast<PulseDefaultSinkWatch*>(self);
    if (info != nullptr && watch.device_.sinkInfo(*info)) {
        watch.changed_();
    }
}

void PulseDefaultSinkWatch::dropContext() {
    closePulseContext(context_);
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
