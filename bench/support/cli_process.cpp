#include "support/cli_process.hpp"

#include <curl/curl.h>
#include <pthread.h>
#include <signal.h>

#include <fstream>
#include <stdexcept>

namespace quilvo::testing {

namespace {

using nlohmann::json;

constexpr auto kCheckTimeout = std::chrono::seconds(10);
// How often a wait looks whether the program is still there.
constexpr auto kExitCheck = std::chrono::milliseconds(100);

bool isLoopbackUrl(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    char* host = nullptr;
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) {
        return false;
    }
    const std::string name(host);
    curl_free(host);
    return name == "127.0.0.1" || name == "[::1]" || name == "localhost";
}

std::optional<std::string> optionalText(const json& line, const char* key) {
    const auto it = line.find(key);
    if (it == line.end() || !it->is_string()) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

}  // namespace

void writeCatalogue(const std::filesystem::path& file, const std::vector<TestStation>& stations) {
    json entries = json::array();
    for (const auto& station : stations) {
        if (station.moods.empty()) {
            throw std::invalid_argument("test station without moods: " + station.id);
        }
        if (!isLoopbackUrl(station.url)) {
            throw std::invalid_argument("test station off this machine: " + station.url);
        }
        entries.push_back({{"station_id", station.id},
                           {"station_name", station.id},
                           {"stream_url", station.url},
                           {"mood_ids", station.moods},
                           {"primary_mood", station.moods.front()},
                           {"source", "test"},
                           {"active", true}});
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << json{{"stations", entries}}.dump(2) << '\n';
    if (!out.flush()) {
        throw std::runtime_error("cannot write the catalogue " + file.string());
    }
}

CliProcess::CliProcess(Options options) : dir_("quilvo-cli"), stateHome_(dir_ / "state") {
    const std::string catalogue = options.catalogue.string();
    std::string listing;
    if (runCommand({QUILVO_CLI, "--check-catalogue", catalogue}, kCheckTimeout, &listing) != 0) {
        throw std::runtime_error("quilvo-cli would not use the catalogue " + catalogue +
                                 " and would fall back to its internet stations:\n" + listing);
    }

    std::vector<std::string> argv{QUILVO_CLI, "--json", "--catalogue", catalogue};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    ChildProcess::Options child;
    child.pipeStdin = true;
    child.onOutput = [this](std::string_view bytes) { consume(bytes); };
    child.env = {
        "XDG_STATE_HOME=" + stateHome_.string(),
        "DO_NOT_TRACK=0",
        "QUILVO_STATS_ENDPOINT=http://127.0.0.1:" + std::to_string(freeLoopbackPort()) +
            "/api/event",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir_ / "no-bus").string(),
        "PULSE_SERVER=unix:" + (dir_ / "no-sound-server").string(),
    };
    child.env.insert(child.env.end(), options.env.begin(), options.env.end());
    child_ = std::make_unique<ChildProcess>(std::move(argv), std::move(child));

    if (!waitForState([](const CliState&) { return true; })) {
        throw std::runtime_error("quilvo-cli printed no state:\n" + transcript());
    }
}

CliProcess::~CliProcess() {
    child_.reset();
}

pid_t CliProcess::pid() const {
    return child_->pid();
}

void CliProcess::consume(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    partial_.append(bytes);
    std::size_t start = 0;
    for (auto end = partial_.find('\n'); end != std::string::npos;
         end = partial_.find('\n', start)) {
        parseLine(partial_.substr(start, end - start));
        start = end + 1;
    }
    partial_.erase(0, start);
    changed_.notify_all();
}

void CliProcess::parseLine(const std::string& line) {
    lines_.push_back(line);
    const json parsed = json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const std::string type = optionalText(parsed, "type").value_or("");
    if (type == "state") {
        states_.push_back({optionalText(parsed, "mood"), optionalText(parsed, "station"),
                           optionalText(parsed, "phase").value_or(""), optionalText(parsed, "song"),
                           optionalText(parsed, "status").value_or(""),
                           optionalText(parsed, "sleep"), now});
    } else if (type == "stat" && parsed.contains("event")) {
        const json& event = parsed["event"];
        stats_.push_back({optionalText(event, "type").value_or(""), event, now});
    }
}

bool CliProcess::waitUntil(const std::function<bool()>& found, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (changed_.wait_until(
                lock, std::min(deadline, std::chrono::steady_clock::now() + kExitCheck), found)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        // Only this thread reaps the child; the lock is not needed for that.
        lock.unlock();
        const bool alive = child_->running();
        lock.lock();
        if (!alive) {
            // Whatever it printed last has been read once its output pipe has closed.
            return changed_.wait_for(lock, kExitCheck, found);
        }
    }
}

std::optional<CliState> CliProcess::waitForState(const std::function<bool(const CliState&)>& match,
                                                 std::chrono::milliseconds timeout) {
    std::optional<CliState> result;
    waitUntil(
        [&] {
            for (; nextState_ < states_.size(); ++nextState_) {
                if (match(states_[nextState_])) {
                    result = states_[nextState_++];
                    return true;
                }
            }
            return false;
        },
        timeout);
    return result;
}

std::optional<CliStat> CliProcess::waitForStat(std::string_view type,
                                               std::chrono::milliseconds timeout) {
    std::optional<CliStat> result;
    waitUntil(
        [&] {
            for (; nextStat_ < stats_.size(); ++nextStat_) {
                if (stats_[nextStat_].type == type) {
                    result = stats_[nextStat_++];
                    return true;
                }
            }
            return false;
        },
        timeout);
    return result;
}

bool CliProcess::settle(std::chrono::milliseconds timeout) {
    return send("sleep 1440") &&
           waitForState([](const CliState& state) { return state.sleep.has_value(); }, timeout) &&
           send("sleep 0") &&
           waitForState([](const CliState& state) { return !state.sleep.has_value(); }, timeout);
}

CliState CliProcess::latest() const {
    std::lock_guard lock(mutex_);
    return states_.back();
}

std::vector<CliState> CliProcess::states() const {
    std::lock_guard lock(mutex_);
    return states_;
}

std::size_t CliProcess::stateCount() const {
    std::lock_guard lock(mutex_);
    return states_.size();
}

std::vector<CliState> CliProcess::statesSince(std::size_t first) const {
    std::lock_guard lock(mutex_);
    if (first >= states_.size()) {
        return {};
    }
    return {states_.begin() + static_cast<std::ptrdiff_t>(first), states_.end()};
}

std::vector<CliStat> CliProcess::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

std::string CliProcess::transcript() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const auto& line : lines_) {
        text.append(line).push_back('\n');
    }
    return text;
}

bool CliProcess::send(std::string_view command) {
    // A program that has exited fails the write instead of killing the test with SIGPIPE.
    sigset_t brokenPipe;
    sigset_t previous;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &brokenPipe, &previous);
    const bool written = child_->writeStdin(std::string(command) + "\n");
    if (!written) {
        const timespec now{};
        ::sigtimedwait(&brokenPipe, nullptr, &now);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

std::optional<int> CliProcess::quit(std::chrono::milliseconds timeout) {
    send("quit");
    return waitForExit(timeout);
}

void CliProcess::closeInput() {
    child_->closeStdin();
}

void CliProcess::signal(int signal) {
    child_->signal(signal);
}

std::optional<int> CliProcess::waitForExit(std::chrono::milliseconds timeout) {
    return child_->wait(timeout);
}

bool CliProcess::running() {
    return child_->running();
}

}  // namespace quilvo::testing
