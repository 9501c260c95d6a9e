#include "dying_stream_server.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quilvo::testing {

namespace {

constexpr double kBytesPerSecond = 128000.0 / 8;
// Sent every 50 ms.
constexpr std::size_t kChunkBytes = 800;
constexpr std::string_view kHead =
    "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nConnection: close\r\n\r\n";

}  // namespace

DyingStreamServer::DyingStreamServer(const std::filesystem::path& mp3, double seconds) {
    std::ifstream in(mp3, std::ios::binary);
    audio_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    audioBytes_ = static_cast<std::size_t>(seconds * kBytesPerSecond);
    if (audio_.empty()) {
        throw std::runtime_error("cannot read " + mp3.string());
    }

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wakeup_ = ::eventfd(0, EFD_CLOEXEC);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || wakeup_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(listener_);
        ::close(wakeup_);
        throw std::runtime_error("the dying stream server cannot listen: " + reason);
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

DyingStreamServer::~DyingStreamServer() {
    const std::uint64_t one = 1;
    while (::write(wakeup_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
    for (const int fd : held_) {
        ::close(fd);
    }
    ::close(first_);
    ::close(listener_);
    ::close(wakeup_);
}

std::string DyingStreamServer::url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/stream";
}

std::vector<DyingStreamServer::Clock::time_point> DyingStreamServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

void DyingStreamServer::serve() {
    for (;;) {
        const bool streaming = streamStart_ != Clock::time_point();
        std::vector<pollfd> fds{{wakeup_, POLLIN, 0}, {listener_, POLLIN, 0}};
        if (first_ >= 0 && !streaming) {
            fds.push_back({first_, POLLIN, 0});
        }
        int timeout = -1;
        if (streaming && sent_ < audioBytes_) {
            const double next = static_cast<double>(sent_ + kChunkBytes) / kBytesPerSecond;
            const auto due = streamStart_ + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(next));
            timeout = static_cast<int>(std::max<Clock::rep>(
                0, std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count()));
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents != 0) {
            accept();
        }
        if (fds.size() > 2 && fds[2].revents != 0) {
            readRequest();
        }
        if (streamStart_ != Clock::time_point()) {
            sendDue();
        }
    }
}

void DyingStreamServer::accept() {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        connections_.push_back(Clock::now());
    }
    if (first_ < 0) {
        first_ = fd;
    } else {
        // A hung server: the request is never read and never answered.
        held_.push_back(fd);
    }
}

void DyingStreamServer::readRequest() {
    char buffer[4096];
    const ssize_t n = ::recv(first_, buffer, sizeof buffer, 0);
    if (n <= 0) {
        // The listener left before asking; the station will not play at all.
        streamStart_ = Clock::now();
        sent_ = audioBytes_;
        return;
    }
    request_.append(buffer, static_cast<std::size_t>(n));
    if (request_.find("\r\n\r\n") == std::string::npos) {
        return;
    }
    ::send(first_, kHead.data(), kHead.size(), MSG_NOSIGNAL);
    streamStart_ = Clock::now();
}

void DyingStreamServer::sendDue() {
    const double elapsed = std::chrono::duration<double>(Clock::now() - streamStart_).count();
    const auto due = std::min(audioBytes_, static_cast<std::size_t>(elapsed * kBytesPerSecond));
    while (sent_ < due) {
        const std::size_t offset = sent_ % audio_.size();
        const std::size_t count = std::min(due - sent_, audio_.size() - offset);
        const ssize_t n = ::send(first_, audio_.data() + offset, count, MSG_NOSIGNAL);
        if (n <= 0) {
            sent_ = audioBytes_;
            return;
        }
        sent_ += static_cast<std::size_t>(n);
    }
}

}  // namespace quilvo::testing
