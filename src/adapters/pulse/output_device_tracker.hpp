#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <pulse/introspect.h>

namespace quilvo {

// Which output device the sound server's answers describe: the default sink and its active
// port, so that headphones plugged into the same card are a device of their own.
class OutputDeviceTracker {
  public:
    // The server's default sink is now `name` (empty: none). True when that changes the device.
    bool defaultSink(const std::string& name);
    // An answer about one sink. True when it tells of another active port on the default sink.
    bool sinkInfo(const pa_sink_info& info);
    // The default sink's index once its information has come, for telling its events apart.
    std::optional<std::uint32_t> defaultIndex() const { return index_; }

  private:
    // Absent until the server first answered.
    std::optional<std::string> sink_;
    // Absent until the default sink's information has come; empty for a sink without ports.
    std::optional<std::string> port_;
    std::optional<std::uint32_t> index_;
};

}  // namespace quilvo
