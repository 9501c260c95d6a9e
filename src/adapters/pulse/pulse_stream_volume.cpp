#include "adapters/pulse/pulse_stream_volume.hpp"

#include "adapters/pulse/pulse_context.hpp"

#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/volume.h>

namespace quilvo {
namespace {

constexpr unsigned kRetryMilliseconds = 2000;
// The servers store volumes at other precisions; a round trip may move the value a little.
constexpr std::uint32_t kSameLevel = 8;

void release(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

bool near(std::uint32_t a, std::uint32_t b) {
    return (a > b ? a - b : b - a) <= kSameLevel;
}

// Every stream this process plays is Quilvo's: the sinks of its players.
bool ours(const pa_sink_input_info& info) {
    const char* pid = pa_proplist_gets(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    return pid != nullptr && std::strtol(pid, nullptr, 10) == static_cast<long>(getpid());
}

}  // namespace

PulseStreamVolume::PulseStreamVolume()
    : loop_(pa_glib_mainloop_new(nullptr)), level_(PA_VOLUME_NORM) {
    connect();
}

PulseStreamVolume::~PulseStreamVolume() {
    if (retry_ != 0) {
        g_source_remove(retry_);
    }
    if (context_ != nullptr) {
        dropContext();
    }
    pa_glib_mainloop_free(loop_);
}

double PulseStreamVolume::level() const {
    return static_cast<double>(level_) / PA_VOLUME_NORM;
}

void PulseStreamVolume::setLevel(double level) {
    const double bounded = std::isnan(level) ? 0.0 : std::clamp(level, 0.0, 1.5);
    const auto raw = static_cast<std::uint32_t>(std::lround(bounded * PA_VOLUME_NORM));
    const bool moved = !near(raw, level_);
    level_ = raw;
    known_ = true;
    for (auto& [index, stream] : streams_) {
        write(index, stream);
    }
    if (moved) {
        changed();
    }
}

void PulseStreamVolume::observe(std::function<void()> changed) {
    observers_.push_back(std::move(changed));
}

void PulseStreamVolume::connect() {
    retry_ = 0;
    context_ = pa_context_new(pa_glib_mainloop_get_api(loop_), "Quilvo");
    pa_context_set_state_callback(context_, &PulseStreamVolume::onContextState, this);
    // A refusal may already have failed the context through onContextState.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        context_ != nullptr) {
        dropContext();
        retry_ = g_timeout_add(kRetryMilliseconds, &PulseStreamVolume::onRetry, this);
    }
}

int PulseStreamVolume::onRetry(void* self) {
    static_cast<PulseStreamVolume*>(self)->connect();
    return G_SOURCE_REMOVE;
}

void PulseStreamVolume::onContextState(pa_context* context, void* self) {
    auto& volume = *static_cast<PulseStreamVolume*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(context, &PulseStreamVolume::onEvent, self);
            release(
                pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
            release(pa_context_get_sink_input_info_list(context, &PulseStreamVolume::onInfo, self));
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            volume.dropContext();
            volume.retry_ = g_timeout_add(kRetryMilliseconds, &PulseStreamVolume::onRetry, self);
            break;
        default:
            break;
    }
}

void PulseStreamVolume::dropContext() {
    closePulseContext(context_);
    streams_.clear();
    written_.clear();
}

void PulseStreamVolume::onEvent(pa_context* context, pa_subscription_event_type_t type,
                                std::uint32_t index, void* self) {
    auto& volume = *static_cast<PulseStreamVolume*>(self);
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        volume.streams_.erase(index);
        return;
    }
    release(pa_context_get_sink_input_info(context, index, &PulseStreamVolume::onInfo, self));
}

void PulseStreamVolume::onInfo(pa_context*, const pa_sink_input_info* info, int eol, void* self) {
    if (eol == 0 && info != nullptr && ours(*info)) {
        static_cast<PulseStreamVolume*>(self)->take(*info);
    }
}

void PulseStreamVolume::take(const pa_sink_input_info& info) {
    const std::uint32_t raw = pa_cvolume_max(&info.volume);
    const auto [found, fresh] = streams_.try_emplace(info.index);
    Stream& stream = found->second;
    stream.channels = info.volume.channels;
    if (stream.writing) {
        return;
    }
    if (near(raw, level_)) {
        known_ = true;
        return;
    }
    // A new stream keeps the listener's level of this run; before there is one it sets it.
    if (fresh && known_) {
        write(info.index, stream);
        return;
    }
    level_ = raw;
    known_ = true;
    changed();
}

void PulseStreamVolume::write(std::uint32_t index, Stream& stream) {
    if (context_ == nullptr || stream.channels == 0) {
        return;
    }
    pa_cvolume volume;
    pa_cvolume_set(&volume, stream.channels, level_);
    if (pa_operation* operation = pa_context_set_sink_input_volume(
            context_, index, &volume, &PulseStreamVolume::onWritten, this)) {
        pa_operation_unref(operation);
        stream.writing = true;
        written_.push_back(index);
    }
}

void PulseStreamVolume::onWritten(pa_context*, int, void* self) {
    auto& volume = *static_cast<PulseStreamVolume*>(self);
    // The server answers in order.
    if (volume.written_.empty()) {
        return;
    }
    const std::uint32_t index = volume.written_.front();
    volume.written_.erase(volume.written_.begin());
    if (auto found = volume.streams_.find(index); found != volume.streams_.end()) {
        found->second.writing =
            std::count(volume.written_.begin(), volume.written_.end(), index) > 0;
    }
}

void PulseStreamVolume::changed() {
    for (const auto& observer : observers_) {
        observer();
    }
}

}  // namespace quilvo
