#pragma once

#include <gst/gst.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace quilvo {

// ICY titles carry no charset, and GStreamer reads those that are not UTF-8 as ISO-8859-1
// before anyone sees them. This reads the titles' bytes off the raw stream, ahead of the
// demuxer, and keeps the last few as GStreamer's text and the text they really are.
class IcyTitles {
  public:
    // Call with each buffer of the raw stream, on its streaming thread.
    void scan(GstBuffer* buffer);
    // The readable text of a title as GStreamer converted it, if it was seen in the stream.
    std::optional<std::string> readable(const std::string& converted) const;

  private:
    void found(std::string_view bytes);

    std::string pending_;
    mutable std::mutex mutex_;
    std::deque<std::pair<std::string, std::string>> titles_;
};

}  // namespace quilvo
