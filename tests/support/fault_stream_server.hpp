#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "support/child_process.hpp"

namespace quilvo::testing {

// The fault-injecting stream server of tests/tools/fault_stream_server.py on a free loopback
// port, looping `mp3` in real time. The path of a URL picks the behaviour (see the script):
// "/stream" (query: burst, rate, stall, close, gapat+gap, title, every, metaint), "/404",
// "/never", "/silence", "/garbage", "/html". Killed on destruction. Throws
// std::runtime_error if it does not start within 10 s.
class FaultStreamServer {
  public:
    explicit FaultStreamServer(const std::filesystem::path& mp3);

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" + `pathAndQuery`.
    std::string url(const std::string& pathAndQuery) const;
    // A URL on a loopback port where nothing listens: the connection is refused.
    static std::string refusedUrl();

  private:
    std::unique_ptr<ChildProcess> server_;
    std::uint16_t port_ = 0;
};

}  // namespace quilvo::testing
