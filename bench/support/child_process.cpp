#include "support/child_process.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>

extern char** environ;

namespace quilvo::testing {

namespace {

std::string findExecutable(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const auto colon = dirs.find(':');
        const std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        const auto candidate = std::filesystem::path(dir.empty() ? "." : dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    throw std::runtime_error("not found in PATH: " + name);
}

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        merged[text.substr(0, text.find('='))] = text;
    }
    for (const auto& text : extra) {
        merged[text.substr(0, text.find('='))] = text;
    }
    std::vector<std::string> result;
    for (auto& [name, text] : merged) {
        result.push_back(std::move(text));
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv) : ChildProcess(std::move(argv), {}) {}

ChildProcess::ChildProcess(std::vector<std::string> argv, Options options) {
    if (argv.empty()) {
        throw std::invalid_argument("empty command");
    }
    // Everything the child needs is prepared here: between fork and exec only
    // async-signal-safe calls are allowed.
    const std::string executable = findExecutable(argv[0]);
    auto envTexts = mergedEnvironment(options.env);
    auto argvPointers = pointers(argv);
    auto envPointers = pointers(envTexts);
    const bool capture = options.captureStdout || options.onOutput;

    int outPipe[2] = {-1, -1};
    int inPipe[2] = {-1, -1};
    if ((capture && ::pipe2(outPipe, O_CLOEXEC) != 0) ||
        (options.pipeStdin && ::pipe2(inPipe, O_CLOEXEC) != 0)) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::dup2(options.pipeStdin ? inPipe[0] : devNull, STDIN_FILENO);
        if (capture) {
            ::dup2(outPipe[1], STDOUT_FILENO);
        }
        if (options.quietStderr) {
            ::dup2(devNull, STDERR_FILENO);
        }
        ::close_range(3, ~0u, 0);
        ::execve(executable.c_str(), argvPointers.data(), envPointers.data());
        ::_exit(127);
    }
    ::setpgid(pid_, pid_);
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    ::close(devNull);
    if (options.pipeStdin) {
        ::close(inPipe[0]);
        stdinFd_ = inPipe[1];
    }
    if (capture) {
        ::close(outPipe[1]);
        reader_ = std::thread([this, fd = outPipe[0], onOutput = std::move(options.onOutput)] {
            readOutput(fd, onOutput);
        });
    }
}

ChildProcess::~ChildProcess() {
    stop();
    closeStdin();
    if (reader_.joinable()) {
        reader_.join();
    }
    if (pidfd_ >= 0) {
        ::close(pidfd_);
    }
}

void ChildProcess::readOutput(int fd, std::function<void(std::string_view)> onOutput) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        if (onOutput) {
            onOutput(std::string_view(buffer, static_cast<std::size_t>(n)));
            continue;
        }
        std::lock_guard lock(mutex_);
        partial_.append(buffer, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (auto end = partial_.find('\n'); end != std::string::npos;
             end = partial_.find('\n', start)) {
            lines_.push_back(partial_.substr(start, end - start));
            start = end + 1;
        }
        partial_.erase(0, start);
        newOutput_.notify_all();
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    if (!partial_.empty()) {
        lines_.push_back(std::move(partial_));
        partial_.clear();
    }
    outputEnded_ = true;
    newOutput_.notify_all();
}

std::optional<std::string> ChildProcess::nextLine(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    newOutput_.wait_for(lock, timeout,
                        [this] { return nextUnread_ < lines_.size() || outputEnded_; });
    if (nextUnread_ < lines_.size()) {
        return lines_[nextUnread_++];
    }
    return std::nullopt;
}

std::optional<std::string> ChildProcess::waitForLine(
    const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) {
            return std::nullopt;
        }
        auto line = nextLine(left);
        if (!line) {
            return std::nullopt;
        }
        if (match(*line)) {
            return line;
        }
    }
}

std::vector<std::string> ChildProcess::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool ChildProcess::writeStdin(std::string_view data) {
    while (!data.empty()) {
        if (stdinFd_ < 0) {
            return false;
        }
        const ssize_t n = ::write(stdinFd_, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void ChildProcess::closeStdin() {
    if (stdinFd_ >= 0) {
        ::close(stdinFd_);
        stdinFd_ = -1;
    }
}

void ChildProcess::signal(int signal) {
    if (!exitCode_) {
        ::kill(-pid_, signal);
    }
}

bool ChildProcess::exited(std::chrono::milliseconds timeout) {
    pollfd entry{pidfd_, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready >= 0 || errno != EINTR) {
            return ready > 0;
        }
    }
}

int ChildProcess::reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
    if (!exitCode_ && exited(timeout)) {
        // The leader is a zombie until reaped, so its group id still names our children only.
        ::kill(-pid_, SIGKILL);
        exitCode_ = reap();
    }
    return exitCode_;
}

bool ChildProcess::running() {
    return !wait(std::chrono::milliseconds(0));
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    if (exitCode_) {
        return;
    }
    signal(SIGTERM);
    if (!wait(grace)) {
        signal(SIGKILL);
        wait(std::chrono::hours(1));
    }
}

std::optional<int> runCommand(const std::vector<std::string>& argv,
                              std::chrono::milliseconds timeout, std::string* output,
                              const std::vector<std::string>& env) {
    ChildProcess::Options options;
    options.env = env;
    options.captureStdout = output != nullptr;
    ChildProcess child(argv, options);
    const auto code = child.wait(timeout);
    if (!code) {
        child.stop(std::chrono::milliseconds(500));
    }
    while (output != nullptr) {
        const auto line = child.nextLine(std::chrono::seconds(2));
        if (!line) {
            break;
        }
        output->append(*line).push_back('\n');
    }
    return code;
}

std::uint16_t freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error(std::string("no free loopback port: ") + std::strerror(errno));
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace quilvo::testing
