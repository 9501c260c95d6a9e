#include "adapters/curl/curl_http_client.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <future>
#include <thread>

#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

// An HTTP server on a free loopback port that records each request's text and answers with
// `status` ("/moved" redirects); with `hold` set it answers only when the test ends.
class LocalHttpServer {
  public:
    explicit LocalHttpServer(int status, bool hold = false,
                             std::unique_ptr<httplib::Server> server = nullptr)
        : server_(server ? std::move(server) : std::make_unique<httplib::Server>()) {
        ::setenv("no_proxy", "127.0.0.1", 1);  // loopback never goes through a proxy
        server_->Post(".*", [=, this](const httplib::Request& request, httplib::Response& reply) {
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request.method + " " + request.path + " " +
                                    request.get_header_value("Content-Type") + " " + request.body);
            }
            arrived_.notify_all();
            if (hold) {
                released_.wait_for(std::chrono::seconds(15));
            }
            reply.status = request.path == "/moved" ? 302 : status;
            reply.set_header("Location", url());
        });
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        while (!server_->is_running()) {
            std::this_thread::yield();
        }
    }
    ~LocalHttpServer() {
        release_.set_value();
        server_->stop();
        thread_.join();
    }
    std::string url(const std::string& path = "/api/event", const char* scheme = "http") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + path;
    }
    int port() const { return port_; }
    std::vector<std::string> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    bool waitForRequest() {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30),
                                 [&] { return !requests_.empty(); });
    }

  private:
    std::unique_ptr<httplib::Server> server_;
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> requests_;
};

HttpRequest jsonPost(std::string url, Seconds timeout = Seconds(10.0)) {
    return HttpRequest{
        std::move(url), {{"Content-Type", "application/json"}}, "{\"a\":\"é\"}", timeout};
}

TEST(CurlHttpClientTest, PostsTheBodyAndReturnsTheStatusWithoutFollowingRedirects) {
    for (const auto& [status, path] : {std::pair<int, const char*>{200, "/api/event"},
                                       {204, "/api/event"},
                                       {404, "/api/event"},
                                       {500, "/api/event"},
                                       {302, "/moved"}}) {
        LocalHttpServer server(status);
        EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url(path)), Seconds(12.0)), status);
        EXPECT_EQ(server.requests(), std::vector<std::string>{std::string("POST ") + path +
                                                              " application/json {\"a\":\"é\"}"});
    }
    std::string refused;
    {
        const LocalHttpServer gone(200);  // a port that no longer listens
        refused = gone.url();
    }
    EXPECT_EQ(CurlHttpClient().post(jsonPost(refused), Seconds(12.0)), std::nullopt);
}

// The server holds its answer until the test ends, so an answer means a limit was ignored.
TEST(CurlHttpClientTest, WaitTimeoutAndAbortEachEndAHangingPost) {
    LocalHttpServer server(200, true);
    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url(), Seconds(30.0)), Seconds(0.3)),
              std::nullopt);
    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url(), Seconds(0.3)), Seconds(30.0)),
              std::nullopt);
    // Quitting must not wait for an endpoint that hangs: abort ends this POST and later ones.
    LocalHttpServer held(200, true);
    CurlHttpClient client;
    auto status = std::async(std::launch::async, [&] {
        return client.post(jsonPost(held.url(), Seconds(30.0)), Seconds(30.0));
    });
    ASSERT_TRUE(held.waitForRequest());
    client.abort();
    EXPECT_EQ(status.get(), std::nullopt);
    EXPECT_EQ(client.post(jsonPost(held.url()), Seconds(30.0)), std::nullopt);
    EXPECT_EQ(held.requests().size(), 1u);
}

TEST(CurlHttpClientTest, UntrustedCertificateIsRefused) {
    testing::TempDir dir;
    const auto cert = dir / "cert.pem";
    const auto key = dir / "key.pem";
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
        key.string() + " -out " + cert.string() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << "openssl is needed to make a certificate";
    LocalHttpServer server(200, false,
                           std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str()));
    httplib::SSLClient trusting("127.0.0.1", server.port());
    trusting.enable_server_certificate_verification(false);
    const auto control = trusting.Post("/api/event", "{}", "application/json");
    ASSERT_TRUE(control && control->status == 200) << "the TLS server itself must answer";
    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url("/api/event", "https")), Seconds(12.0)),
              std::nullopt);
    EXPECT_EQ(server.requests().size(), 1u) << "only the control request arrived";
}

}  // namespace
}  // namespace quilvo
