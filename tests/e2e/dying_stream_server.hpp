#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quilvo::testing {

// A station whose server dies after it has played: the first listener gets `mp3` (128 kbit/s
// CBR) in real time for `seconds`, then nothing while the connection stays open; every later
// listener is accepted and never answered, as a hung server does. Listens on a free loopback
// port; stops and closes every connection on destruction. Throws std::runtime_error if it
// cannot listen or read `mp3`.
class DyingStreamServer {
  public:
    using Clock = std::chrono::steady_clock;

    DyingStreamServer(const std::filesystem::path& mp3, double seconds);
    ~DyingStreamServer();

    DyingStreamServer(const DyingStreamServer&) = delete;
    DyingStreamServer& operator=(const DyingStreamServer&) = delete;

    // "http://127.0.0.1:<port>/stream".
    std::string url() const;
    // When each listener connected, in order.
    std::vector<Clock::time_point> connections() const;

  private:
    void serve();
    void accept();
    void readRequest();
    void sendDue();

    std::string audio_;
    std::size_t audioBytes_ = 0;
    std::uint16_t port_ = 0;
    int listener_ = -1;
    int wakeup_ = -1;

    // Only the serving thread touches these.
    int first_ = -1;
    std::string request_;
    Clock::time_point streamStart_;
    std::size_t sent_ = 0;
    std::vector<int> held_;

    mutable std::mutex mutex_;
    std::vector<Clock::time_point> connections_;

    std::thread thread_;
};

}  // namespace quilvo::testing
