#include "adapters/gstreamer/icy_titles.hpp"

#include <gst/tag/tag.h>

#include <algorithm>

#include "adapters/gstreamer/title_text.hpp"

namespace quilvo {

namespace {

constexpr std::string_view kStart = "StreamTitle='";
constexpr std::string_view kEnd = "';";
// A metadata block is at most 255 x 16 bytes; a title cut by a buffer boundary waits this long.
constexpr std::size_t kMaxBlock = 255 * 16;
constexpr std::size_t kRemembered = 4;

}  // namespace

void IcyTitles::scan(GstBuffer* buffer) {
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return;
    }
    pending_.append(reinterpret_cast<const char*>(map.data), map.size);
    gst_buffer_unmap(buffer, &map);
    std::size_t done = 0;
    while (true) {
        const auto start = pending_.find(kStart, done);
        if (start == std::string::npos) {
            // Keep what could be the start of a marker cut in two.
            done = std::max(done, pending_.size() - std::min(pending_.size(), kStart.size() - 1));
            break;
        }
        const auto end = pending_.find(kEnd, start + kStart.size());
        if (end == std::string::npos) {
            done = pending_.size() - start > kMaxBlock ? pending_.size() : start;
            break;
        }
        if (end - start <= kMaxBlock) {
            found(std::string_view(pending_).substr(start + kStart.size(),
                                                    end - start - kStart.size()));
        }
        done = end + kEnd.size();
    }
    pending_.erase(0, done);
}

void IcyTitles::found(std::string_view bytes) {
    // As the demuxer converts it.
    static const gchar* kEncodingVariables[] = {"GST_ICY_TAG_ENCODING", "GST_TAG_ENCODING",
                                                nullptr};
    gchar* converted = gst_tag_freeform_string_to_utf8(
        bytes.data(), static_cast<gint>(bytes.size()), kEncodingVariables);
    if (converted == nullptr) {
        return;
    }
    std::pair<std::string, std::string> title{converted, readableText(bytes, processLocale())};
    g_free(converted);
    std::lock_guard lock(mutex_);
    if (std::find(titles_.begin(), titles_.end(), title) == titles_.end()) {
        titles_.push_back(std::move(title));
        if (titles_.size() > kRemembered) {
            titles_.pop_front();
        }
    }
}

std::optional<std::string> IcyTitles::readable(const std::string& converted) const {
    std::lock_guard lock(mutex_);
    for (const auto& [key, text] : titles_) {
        if (key == converted) {
            return text;
        }
    }
    return std::nullopt;
}

}  // namespace quilvo
