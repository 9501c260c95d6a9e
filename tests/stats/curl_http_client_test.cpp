#include "adapters/curl/curl_http_client.hpp"

#include <gtest/gtest.h>

#include <thread>

#include <cstdlib>

#include "stats/local_http_server.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

using testing::LocalHttpServer;

HttpRequest jsonPost(std::string url, Seconds timeout = Seconds(10.0)) {
    return HttpRequest{
        std::move(url), {{"Content-Type", "application/json"}}, "{\"a\":\"é\"}", timeout};
}

TEST(CurlHttpClientTest, PostsTheBodyAndReturnsTheStatus) {
    for (const int status : {200, 204, 404, 500}) {
        LocalHttpServer server(status);
        EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url()), Seconds(12.0)), status);

        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(requests[0].path, "/api/event");
        EXPECT_EQ(requests[0].contentType, "application/json");
        EXPECT_EQ(requests[0].body, "{\"a\":\"é\"}");
    }
}

TEST(CurlHttpClientTest, RefusedConnectionGivesNothing) {
    EXPECT_EQ(CurlHttpClient().post(jsonPost(testing::refusedUrl()), Seconds(12.0)), std::nullopt);
}

TEST(CurlHttpClientTest, RedirectIsNotFollowed) {
    LocalHttpServer server(200);
    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url("/moved")), Seconds(12.0)), 302);
    EXPECT_EQ(server.requests().size(), 1u);
}

// The server holds its 200 answer until the test ends, so an answer means a limit was ignored.
TEST(CurlHttpClientTest, CallerStopsWaitingBeforeTheRequestTimesOut) {
    LocalHttpServer server(200, true);
    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url(), Seconds(30.0)), Seconds(0.3)),
              std::nullopt);
}

TEST(CurlHttpClientTest, RequestTimeoutEndsTheRequest) {
    LocalHttpServer server(200, true);
    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url(), Seconds(0.3)), Seconds(30.0)),
              std::nullopt);
}

// Quitting must not wait for an endpoint that hangs: abort ends the POST under way and later ones.
TEST(CurlHttpClientTest, AbortEndsAHangingPostAndLaterOnes) {
    LocalHttpServer server(200, true);
    CurlHttpClient client;
    std::optional<int> status = 0;
    std::thread poster(
        [&] { status = client.post(jsonPost(server.url(), Seconds(30.0)), Seconds(30.0)); });
    ASSERT_TRUE(server.waitForRequests(1));
    client.abort();
    poster.join();
    EXPECT_EQ(status, std::nullopt);
    EXPECT_EQ(client.post(jsonPost(server.url()), Seconds(30.0)), std::nullopt);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(CurlHttpClientTest, UntrustedCertificateIsRefused) {
    testing::TempDir dir;
    const auto cert = dir.path() / "cert.pem";
    const auto key = dir.path() / "key.pem";
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
        key.string() + " -out " + cert.string() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << "openssl is needed to make a certificate";
    LocalHttpServer server(200, false,
                           std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str()));
    server.useScheme("https");

    httplib::SSLClient trusting("127.0.0.1", server.port());
    trusting.enable_server_certificate_verification(false);
    const auto control = trusting.Post("/api/event", "{}", "application/json");
    ASSERT_TRUE(control) << "the TLS server itself must answer";
    EXPECT_EQ(control->status, 200);

    EXPECT_EQ(CurlHttpClient().post(jsonPost(server.url()), Seconds(12.0)), std::nullopt);
    EXPECT_EQ(server.requests().size(), 1u) << "only the control request arrived";
}

}  // namespace
}  // namespace quilvo
