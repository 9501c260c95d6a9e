#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// One station of a test catalogue: active, named after its id.
struct TestStation {
    std::string id;
    // A stream on this machine (127.0.0.1, [::1] or localhost).
    std::string url;
    // Raw mood values ("calm"); the first is the primary mood.
    std::vector<std::string> moods;
};

// Writes a catalogue file holding `stations`. Throws std::invalid_argument for a station
// without moods or with a URL off this machine: the tests never reach past loopback.
void writeCatalogue(const std::filesystem::path& file, const std::vector<TestStation>& stations);

// One published state as `quilvo-cli --json` prints it.
struct CliState {
    std::optional<std::string> mood;
    std::optional<std::string> station;
    std::string phase;
    std::optional<std::string> song;
    std::string status;
    std::optional<std::string> sleep;
    // When the line reached the test.
    std::chrono::steady_clock::time_point received;
};

// One statistics event the program recorded.
struct CliStat {
    // The event's "type" member ("station_start").
    std::string type;
    nlohmann::json event;
    std::chrono::steady_clock::time_point received;
};

// The built `quilvo-cli --json --catalogue FILE` as a child process, driven through its
// standard input and read through its JSON lines, for end-to-end tests.
//
// The program runs cut off from the desktop: its statistics state file lives in a temporary
// folder of this object, uploads go to a refused loopback port, and its session bus and sound
// server addresses point at nothing, unless Options::env names the test's own (for example
// PulseServer::clientEnv() and DbusSession::clientEnv()).
//
// States and statistics events are kept in the order printed. The waits read them like a log:
// each returns the first match at or after its read position and moves that position past it,
// so a wait never returns the same line twice. A wait gives up early when the program has
// exited. The program is killed on destruction, also when a test fails.
class CliProcess {
  public:
    static constexpr std::chrono::milliseconds kTimeout{15000};

    struct Options {
        // Written with writeCatalogue, usually. A file the program would reject makes the
        // constructor throw: its fallback is the built-in list of stations on the internet.
        std::filesystem::path catalogue;
        // "NAME=value" entries for the program's environment, over the defaults above.
        std::vector<std::string> env;
        // Extra arguments after --json --catalogue FILE.
        std::vector<std::string> arguments;
    };

    // Starts the program and waits for its first state line. Throws std::runtime_error if it
    // does not start.
    explicit CliProcess(Options options);
    ~CliProcess();

    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    pid_t pid() const;
    // XDG_STATE_HOME of the program (unless Options::env chose another).
    const std::filesystem::path& stateHome() const { return stateHome_; }

    // Writes one command line ("mood calm", "toggle", "next", "sleep 15", "quit").
    bool send(std::string_view command);

    std::optional<CliState> waitForState(const std::function<bool(const CliState&)>& match,
                                         std::chrono::milliseconds timeout = kTimeout);
    std::optional<CliStat> waitForStat(std::string_view type,
                                       std::chrono::milliseconds timeout = kTimeout);

    // Waits until the program has handled everything it was told before: commands sent and
    // D-Bus calls already answered. It arms and cancels the sleep timer (a fresh state line
    // reflects all work queued before it), so do not use it while a test needs that timer.
    bool settle(std::chrono::milliseconds timeout = kTimeout);

    // The latest state printed.
    CliState latest() const;
    // Every state printed, and how many; statesSince(n) leaves out the first n.
    std::vector<CliState> states() const;
    std::size_t stateCount() const;
    std::vector<CliState> statesSince(std::size_t first) const;
    std::vector<CliStat> stats() const;
    // Everything the program printed, for failure messages.
    std::string transcript() const;

    // Sends "quit" and waits for the exit; the exit code, absent on timeout.
    std::optional<int> quit(std::chrono::milliseconds timeout = kTimeout);
    // Closes the program's standard input (end of commands).
    void closeInput();
    // Sends `signal` to the program.
    void signal(int signal);
    // The exit code once the program has exited (128 + signal if killed), absent on timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = kTimeout);
    bool running();

  private:
    void consume(std::string_view bytes);
    void parseLine(const std::string& line);
    // Waits for `found` (called with mutex_ held) or the program's end.
    bool waitUntil(const std::function<bool()>& found, std::chrono::milliseconds timeout);

    TempDir dir_;
    std::filesystem::path stateHome_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string partial_;
    std::vector<std::string> lines_;
    std::vector<CliState> states_;
    std::vector<CliStat> stats_;
    std::size_t nextState_ = 0;
    std::size_t nextStat_ = 0;

    // Last: it is stopped first, so its reader thread never sees the rest half torn down.
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace quilvo::testing
