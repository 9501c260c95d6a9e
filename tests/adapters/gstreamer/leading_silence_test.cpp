#include "adapters/gstreamer/leading_silence.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace quilvo {
namespace {

constexpr GstClockTime kFrame = 26 * GST_MSECOND;

// What reached the pad after the cut: for each buffer, whether it held sound.
GstFlowReturn record(GstPad* pad, GstObject*, GstBuffer* buffer) {
    auto* heard = static_cast<std::vector<bool>*>(g_object_get_data(G_OBJECT(pad), "heard"));
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    heard->push_back(map.data[map.size - 1] != 0);
    gst_buffer_unmap(buffer, &map);
    gst_buffer_unref(buffer);
    return GST_FLOW_OK;
}

std::vector<bool> afterCut(const std::vector<bool>& sound) {
    gst_init(nullptr, nullptr);
    std::vector<bool> heard;
    GstPad* src = gst_pad_new("src", GST_PAD_SRC);
    GstPad* sink = gst_pad_new("sink", GST_PAD_SINK);
    g_object_set_data(G_OBJECT(sink), "heard", &heard);
    gst_pad_set_chain_function(sink, record);
    cutLeadingSilence(sink);
    gst_pad_link(src, sink);
    gst_pad_set_active(sink, TRUE);
    gst_pad_set_active(src, TRUE);
    gst_pad_push_event(src, gst_event_new_stream_start("test"));
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(src, gst_event_new_segment(&segment));
    for (const bool loud : sound) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, 4608, nullptr);
        gst_buffer_memset(buffer, 0, 0, 4608);
        if (loud) {
            gst_buffer_memset(buffer, 4607, 0x40, 1);
        }
        GST_BUFFER_DURATION(buffer) = kFrame;
        gst_pad_push(src, buffer);
    }
    gst_object_unref(src);
    gst_object_unref(sink);
    return heard;
}

TEST(LeadingSilence, DropsTheDecodersZerosUntilSoundAndNeverMoreThanTheCut) {
    EXPECT_EQ(afterCut({false, false, true, false, true}), (std::vector<bool>{true, false, true}))
        << "leading zeros go; once sound came, silence is played";
    const auto silentStation = afterCut(std::vector<bool>(10, false));
    EXPECT_EQ(silentStation.size(), 10 - kLeadingSilenceCut / kFrame)
        << "a station sending silence is played after the cut";
}

}  // namespace
}  // namespace quilvo
