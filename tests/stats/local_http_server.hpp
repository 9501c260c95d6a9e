#pragma once

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quilvo::testing {

// An HTTP server on a free loopback port. It records every request and answers with `status`;
// with `hold` set it first waits until `release()` (or at most 15 s). "/moved" always
// redirects to "/api/event". Stopped on destruction, held requests released first.
class LocalHttpServer {
  public:
    struct Request {
        std::string method;
        std::string path;
        std::string contentType;
        std::string body;
    };

    explicit LocalHttpServer(int status = 200, bool hold = false,
                             std::unique_ptr<httplib::Server> server = nullptr)
        : server_(server ? std::move(server) : std::make_unique<httplib::Server>()),
          status_(status),
          held_(hold) {
        // Loopback traffic must never go through a proxy from the environment.
        ::setenv("no_proxy", "127.0.0.1", 1);
        server_->Post("/moved",
                      [this](const httplib::Request& request, httplib::Response& response) {
                          record(request);
                          response.status = 302;
                          response.set_header("Location", url());
                      });
        server_->Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
            record(request);
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::seconds(15), [this] { return !held_; });
            response.status = status_;
        });
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }

    ~LocalHttpServer() {
        release();
        while (port_ > 0 && !server_->is_running()) {
            std::this_thread::yield();
        }
        server_->stop();
        thread_.join();
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path = "/api/event") const {
        return scheme_ + "://127.0.0.1:" + std::to_string(port_) + path;
    }
    void useScheme(std::string scheme) { scheme_ = std::move(scheme); }

    void release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        changed_.notify_all();
    }

    std::vector<Request> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    // True once `count` requests have arrived (gives up after 30 s).
    bool waitForRequests(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30),
                                 [&] { return requests_.size() >= count; });
    }

  private:
    void record(const httplib::Request& request) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back({request.method, request.path,
                                 request.get_header_value("Content-Type"), request.body});
        }
        changed_.notify_all();
    }

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::string scheme_ = "http";
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Request> requests_;
    int status_;
    bool held_;
};

// A loopback URL on which nothing listens: a port the system just handed out and took back.
inline std::string refusedUrl() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/api/event";
}

}  // namespace quilvo::testing
