#include "support/pulse_server.hpp"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace quilvo::testing {

namespace {

constexpr auto kCommandTimeout = std::chrono::seconds(10);

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

PulseServer::PulseServer() : dir_("quilvo-pulse") {
    address_ = "unix:" + (dir_ / "native").string();
    ChildProcess::Options options;
    options.env = {"PULSE_RUNTIME_PATH=" + dir_.path().string(),
                   "PULSE_STATE_PATH=" + dir_.path().string()};
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"pulseaudio", "--daemonize=no", "--exit-idle-time=-1",
                                 "--disallow-exit", "-n", "--use-pid-file=no", "--log-level=error",
                                 "--load=module-native-protocol-unix auth-anonymous=1 socket=" +
                                     (dir_ / "native").string(),
                                 "--load=module-null-sink sink_name=sinkA",
                                 "--load=module-null-sink sink_name=sinkB"},
        options);

    const bool answered = waitUntil(
        [this] { return !daemon_->running() || pactl({"info"}).has_value(); }, kCommandTimeout);
    if (!answered || !daemon_->running()) {
        throw std::runtime_error("the test's PulseAudio server did not start");
    }
    setDefaultSink("sinkA");
    for (const char* sink : {"sinkA", "sinkB"}) {
        ChildProcess::Options quiet;
        quiet.env = {clientEnv()};
        keepAwake_.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{"pacat", "--playback", "--raw", "--format=s16le",
                                     "--rate=44100", "--channels=2", "--latency-msec=20",
                                     "--stream-name=keep-awake", std::string("--device=") + sink,
                                     "/dev/zero"},
            quiet));
    }
    const bool awake = waitUntil(
        [this] {
            const auto inputs = pactl({"list", "short", "sink-inputs"});
            return inputs && std::count(inputs->begin(), inputs->end(), '\n') >= 2;
        },
        kCommandTimeout);
    if (!awake) {
        throw std::runtime_error("the test's PulseAudio sinks did not start playing");
    }
    if (const char* previous = std::getenv("PULSE_SERVER")) {
        previousServer_ = previous;
    }
    ::setenv("PULSE_SERVER", address_.c_str(), 1);
}

PulseServer::~PulseServer() {
    keepAwake_.clear();
    daemon_.reset();
    if (previousServer_) {
        ::setenv("PULSE_SERVER", previousServer_->c_str(), 1);
    } else {
        ::unsetenv("PULSE_SERVER");
    }
}

std::optional<std::string> PulseServer::pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string output;
    if (runCommand(argv, kCommandTimeout, &output, {clientEnv()}) != 0) {
        return std::nullopt;
    }
    return output;
}

void PulseServer::setDefaultSink(const std::string& sink) const {
    if (!pactl({"set-default-sink", sink})) {
        throw std::runtime_error("pactl could not set the default sink to " + sink);
    }
}

std::string PulseServer::defaultSink() const {
    return trimmed(pactl({"get-default-sink"}).value_or(""));
}

}  // namespace quilvo::testing
