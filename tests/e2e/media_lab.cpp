#include "media_lab.hpp"

#include "support/child_process.hpp"
#include "support/tone_file.hpp"

namespace quilvo::testing {

namespace {

constexpr auto kCommandTimeout = std::chrono::seconds(10);

// Points `link` at the socket of `server`, replacing the old link in one step.
void pointAt(const std::filesystem::path& link, const PulseServer& server) {
    const std::string address = server.address();
    const std::filesystem::path socket = address.substr(address.find(':') + 1);
    const std::filesystem::path fresh = link.string() + ".new";
    std::filesystem::remove(fresh);
    std::filesystem::create_symlink(socket, fresh);
    std::filesystem::rename(fresh, link);
}

std::string withoutFinalNewline(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

}  // namespace

void MediaLab::SetUpTestSuite() {
    suiteDir_ = std::make_unique<TempDir>("quilvo-e2e");
    tone_ = *suiteDir_ / "tone.mp3";
    makeToneMp3(tone_, 10.0);
}

void MediaLab::TearDownTestSuite() {
    suiteDir_.reset();
}

void MediaLab::SetUp() {
    dir_ = std::make_unique<TempDir>("quilvo-e2e");
    pulse_ = std::make_unique<PulseServer>();
    pulseLink_ = *dir_ / "pulse";
    pointAt(pulseLink_, *pulse_);
    ASSERT_TRUE(bus_.start()) << "the test's session bus did not start";
    streams_ = std::make_unique<FaultStreamServer>(tone_);

    const std::string titles =
        "/stream?title=Artist%20A%20-%20Song%20One&title=Artist%20B%20-%20Song%20Two&every=3";
    const auto catalogue = *dir_ / "stations.json";
    writeCatalogue(catalogue, {
                                  {"calm-1", streams_->url(titles + "&station=1"), {"calm"}},
                                  {"calm-2", streams_->url(titles + "&station=2"), {"calm"}},
                                  {"bright-1", streams_->url("/stream"), {"bright"}},
                                  {"energy-1", streams_->url("/never"), {"energy"}},
                                  {"sleep-1", FaultStreamServer::refusedUrl(), {"sleep"}},
                                  {"sleep-2", FaultStreamServer::refusedUrl(), {"sleep"}},
                              });
    cli_ = std::make_unique<CliProcess>(CliProcess::Options{
        catalogue, {"PULSE_SERVER=unix:" + pulseLink_.string(), bus_.clientEnv()}, {}});
    ASSERT_TRUE(waitForPlayer()) << "quilvo-cli never appeared on the session bus";
}

void MediaLab::TearDown() {
    if (!cli_) {
        return;
    }
    EXPECT_TRUE(cli_->running()) << "quilvo-cli ended before the test did";
    EXPECT_EQ(cli_->quit(), 0) << cli_->transcript();
}

std::optional<CliState> MediaLab::sendAndWait(const std::string& command,
                                              const std::string& phase) {
    cli().send(command);
    return cli().waitForState([&](const CliState& state) { return state.phase == phase; });
}

std::string MediaLab::playerctl(const std::vector<std::string>& arguments, int* exitCode) {
    std::vector<std::string> argv{"playerctl", "-p", "quilvo"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string output;
    const auto code = runCommand(argv, kCommandTimeout, &output, {bus_.clientEnv()});
    if (exitCode != nullptr) {
        *exitCode = code.value_or(-1);
    }
    return withoutFinalNewline(output);
}

bool MediaLab::callPlayer(const std::string& method) {
    return runCommand(
               {"dbus-send", "--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.quilvo",
                "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player." + method},
               kCommandTimeout, nullptr, {bus_.clientEnv()}) == 0;
}

std::string MediaLab::playerProperty(const std::string& name) {
    std::string output;
    runCommand({"dbus-send", "--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.quilvo",
                "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
                "string:org.mpris.MediaPlayer2.Player", "string:" + name},
               kCommandTimeout, &output, {bus_.clientEnv()});
    // The reply's header line comes first, the value ("variant boolean false") last.
    const std::string value = withoutFinalNewline(output);
    const auto variant = value.rfind("variant");
    if (variant == std::string::npos) {
        return value;
    }
    const auto start = value.find_first_not_of(' ', variant + std::string_view("variant").size());
    return start == std::string::npos ? "" : value.substr(start);
}

bool MediaLab::waitForPlayer(std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] {
            std::string players;
            runCommand({"playerctl", "-l"}, kCommandTimeout, &players, {bus_.clientEnv()});
            return players.find("quilvo\n") != std::string::npos;
        },
        timeout);
}

void MediaLab::restartSoundServer() {
    pulse_.reset();
    pulse_ = std::make_unique<PulseServer>();
    pointAt(pulseLink_, *pulse_);
}

}  // namespace quilvo::testing
