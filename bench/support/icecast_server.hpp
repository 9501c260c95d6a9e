#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// An Icecast 2 server on a free loopback port with a temporary configuration, fed in real time
// by ffmpeg looping an MP3 file on one mount. Both are killed on destruction. Throws
// std::runtime_error if the mount is not live within 15 s.
class IcecastServer {
  public:
    struct Options {
        // Burst-on-connect: new listeners first get about 4 s of audio at once (64 KB).
        bool burst = true;
        std::string mount = "/radio.mp3";
    };

    IcecastServer(const std::filesystem::path& mp3, Options options);
    explicit IcecastServer(const std::filesystem::path& mp3);
    ~IcecastServer();

    IcecastServer(const IcecastServer&) = delete;
    IcecastServer& operator=(const IcecastServer&) = delete;

    std::uint16_t port() const { return port_; }
    // The stream's URL, "http://127.0.0.1:<port><mount>".
    std::string url() const;
    // Sets the mount's song title through the admin interface; false if it was refused.
    bool setTitle(const std::string& song) const;
    // Stops the feed: listeners are disconnected and the mount goes away.
    void stopSource();

  private:
    bool mountLive() const;
    std::string adminGet(const std::string& pathAndQuery, int* status) const;

    TempDir dir_;
    Options options_;
    std::uint16_t port_ = 0;
    std::string password_;
    std::unique_ptr<ChildProcess> icecast_;
    std::unique_ptr<ChildProcess> source_;
};

}  // namespace quilvo::testing
