#include "adapters/gstreamer/leading_silence.hpp"

#include <cstring>

namespace quilvo {

namespace {

// Zero bytes are silence in every format our gain takes (signed integers and floats).
bool digitalSilence(GstBuffer* buffer) {
    if (GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP)) {
        return true;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return false;
    }
    const bool zeros = map.size == 0 ||
                       (map.data[0] == 0 && std::memcmp(map.data, map.data + 1, map.size - 1) == 0);
    gst_buffer_unmap(buffer, &map);
    return zeros;
}

GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto& cut = *static_cast<GstClockTime*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime duration = GST_BUFFER_DURATION(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(duration) || cut + duration > kLeadingSilenceCut ||
        !digitalSilence(buffer)) {
        return GST_PAD_PROBE_REMOVE;
    }
    cut += duration;
    return GST_PAD_PROBE_DROP;
}

}  // namespace

void cutLeadingSilence(GstPad* pad) {
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, onBuffer, new GstClockTime(0),
                      [](gpointer cut) { delete static_cast<GstClockTime*>(cut); });
}

}  // namespace quilvo
