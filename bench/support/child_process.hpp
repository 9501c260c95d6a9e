#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quilvo::testing {

// A child process in a process group of its own, killed with its whole group when this object
// is destroyed (or when the thread that started it exits). Standard error is inherited, so
// what a child complains about shows up in the test's output.
class ChildProcess {
  public:
    struct Options {
        // "NAME=value" entries added to (or replacing those of) this process's environment.
        std::vector<std::string> env;
        // Collect standard output line by line (see nextLine); otherwise it is inherited.
        bool captureStdout = false;
        // Receives standard output in chunks as it arrives, on a reader thread of this
        // object, instead of collecting lines (for raw data such as audio).
        std::function<void(std::string_view)> onOutput;
        // Give the child a pipe as standard input (see writeStdin); otherwise /dev/null.
        bool pipeStdin = false;
        // Send standard error to /dev/null instead of inheriting it.
        bool quietStderr = false;
    };

    // Starts argv[0] (looked up in PATH) with `argv`. Throws std::runtime_error if it cannot
    // be started.
    explicit ChildProcess(std::vector<std::string> argv, Options options);
    explicit ChildProcess(std::vector<std::string> argv);
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // The next line of captured standard output not yet returned, waiting at most `timeout`.
    // Absent on timeout or once the output has ended and every line was returned.
    std::optional<std::string> nextLine(std::chrono::milliseconds timeout);
    // Skips lines until one satisfies `match` and returns it; absent on timeout or end.
    std::optional<std::string> waitForLine(const std::function<bool(const std::string&)>& match,
                                           std::chrono::milliseconds timeout);
    // Every captured line so far, including those already returned.
    std::vector<std::string> lines() const;

    bool writeStdin(std::string_view data);
    void closeStdin();

    // Sends `signal` to the child's process group.
    void signal(int signal);
    // Waits for the child to exit; its exit code (128 + signal if killed), absent on timeout.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool running();
    // SIGTERM to the group, then SIGKILL if it has not exited within `grace`.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(3));

  private:
    void readOutput(int fd, std::function<void(std::string_view)> onOutput);
    bool exited(std::chrono::milliseconds timeout);
    int reap();

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int stdinFd_ = -1;
    std::optional<int> exitCode_;
    std::thread reader_;

    mutable std::mutex mutex_;
    std::condition_variable newOutput_;
    std::vector<std::string> lines_;
    std::size_t nextUnread_ = 0;
    std::string partial_;
    bool outputEnded_ = false;
};

// Runs a command to completion; its exit code (absent if it had to be killed after `timeout`).
// Its standard output is appended to `output` when given, else inherited.
std::optional<int> runCommand(const std::vector<std::string>& argv,
                              std::chrono::milliseconds timeout, std::string* output = nullptr,
                              const std::vector<std::string>& env = {});

// A TCP port on 127.0.0.1 that nothing listened on a moment ago.
std::uint16_t freeLoopbackPort();

// Polls `condition` every 20 ms until it holds or `timeout` passes; its last value.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace quilvo::testing
