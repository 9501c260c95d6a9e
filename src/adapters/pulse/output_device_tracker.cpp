#include "adapters/pulse/output_device_tracker.hpp"

namespace quilvo {

bool OutputDeviceTracker::defaultSink(const std::string& name) {
    if (sink_ == name) {
        return false;
    }
    const bool changed = sink_.has_value();
    sink_ = name;
    // The new sink's port is part of this change, not another one.
    port_.reset();
    index_.reset();
    return changed;
}

bool OutputDeviceTracker::sinkInfo(const pa_sink_info& info) {
    // An answer about another sink, or one that left before the default changed, says nothing.
    if (!sink_ || info.name == nullptr || *sink_ != info.name) {
        return false;
    }
    const std::string port = info.active_port != nullptr && info.active_port->name != nullptr
                                 ? info.active_port->name
                                 : "";
    const bool changed = port_.has_value() && *port_ != port;
    port_ = port;
    index_ = info.index;
    return changed;
}

}  // namespace quilvo
