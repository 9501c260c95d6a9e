#include "adapters/http/soup_http_client.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>

#include <future>
#include <thread>

#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

const std::string kBody = "{\"a\":\"é\"}";

HttpRequest jsonPost(std::string url, Seconds timeout = Seconds(10.0)) {
    return HttpRequest{std::move(url), {{"Content-Type", "application/json"}}, kBody, timeout};
}

// A loopback port the test answers by hand: until it does, a POST to it hangs.
struct Port {
    Port() {
        ::setenv("no_proxy", "127.0.0.1", 1);  // loopback never goes through a proxy
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(fd, 8);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/api/event";
    }
    ~Port() { ::close(fd); }
    bool called(int waitMs) {
        pollfd ready{fd, POLLIN, 0};
        return ::poll(&ready, 1, waitMs) == 1;
    }
    // The text of the next request, answered with `status` and a redirect to the same URL.
    std::string serve(int status) {
        const int connection = called(30000) ? ::accept(fd, nullptr, nullptr) : -1;
        std::string text;
        for (char c; !text.ends_with(kBody) && ::read(connection, &c, 1) == 1;) {
            text += c;
        }
        ::dprintf(connection, "HTTP/1.1 %d X\r\nLocation: %s\r\nContent-Length: 0\r\n\r\n", status,
                  url.c_str());
        ::close(connection);
        return text;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    std::string url;
};

// A redirect followed would wait for a second answer and come back empty.
TEST(SoupHttpClientTest, PostsTheBodyAndReturnsTheStatusWithoutFollowingRedirects) {
    for (const int status : {200, 204, 302, 404, 500}) {
        Port server;
        auto answer = std::async(std::launch::async, [&] {
            return SoupHttpClient().post(jsonPost(server.url), Seconds(12.0));
        });
        const std::string request = server.serve(status);
        EXPECT_EQ(answer.get(), status);
        EXPECT_EQ(request.rfind("POST /api/event HTTP/1.1\r\n", 0), 0u) << request;
        EXPECT_NE(request.find("\r\nContent-Type: application/json\r\n"), std::string::npos);
        EXPECT_TRUE(request.ends_with("\r\n\r\n" + kBody)) << request;
    }
    const std::string refused = Port().url;  // a port that no longer listens
    EXPECT_EQ(SoupHttpClient().post(jsonPost(refused), Seconds(12.0)), std::nullopt);
}

// Each limit must end a POST that hangs long before the other one would.
TEST(SoupHttpClientTest, WaitTimeoutAndAbortEachEndAHangingPost) {
    const auto start = std::chrono::steady_clock::now();
    Port silent;
    EXPECT_EQ(SoupHttpClient().post(jsonPost(silent.url, Seconds(60.0)), Seconds(0.3)),
              std::nullopt);
    EXPECT_EQ(SoupHttpClient().post(jsonPost(silent.url, Seconds(0.3)), Seconds(60.0)),
              std::nullopt);
    // Quitting must not wait for an endpoint that hangs: abort ends this POST and later ones.
    Port held;
    SoupHttpClient client;
    auto status = std::async(std::launch::async, [&] {
        return client.post(jsonPost(held.url, Seconds(60.0)), Seconds(60.0));
    });
    ASSERT_TRUE(held.called(30000));
    client.abort();
    EXPECT_EQ(status.get(), std::nullopt);
    ::close(::accept(held.fd, nullptr, nullptr));  // the aborted one
    EXPECT_EQ(client.post(jsonPost(held.url), Seconds(60.0)), std::nullopt);
    EXPECT_FALSE(held.called(0)) << "a POST after abort went out";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(SoupHttpClientTest, UntrustedCertificateIsRefused) {
    testing::TempDir dir;
    const std::string command =
        "cd " + dir.path().string() +
        " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1"
        " -nodes -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1"
        " -keyout key.pem -out cert.pem 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << "openssl is needed to make a certificate";
    httplib::SSLServer server((dir / "cert.pem").c_str(), (dir / "key.pem").c_str());
    server.Post(".*", [](const httplib::Request&, httplib::Response&) {});
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    httplib::SSLClient trusting("127.0.0.1", port);
    trusting.enable_server_certificate_verification(false);
    const auto control = trusting.Post("/api/event", "{}", "application/json");
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/api/event";
    EXPECT_EQ(SoupHttpClient().post(jsonPost(url), Seconds(12.0)), std::nullopt);
    server.stop();
    thread.join();
    EXPECT_TRUE(control && control->status == 200) << "the TLS server itself must answer";
}

}  // namespace
}  // namespace quilvo
