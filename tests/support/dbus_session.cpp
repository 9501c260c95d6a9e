#include "support/dbus_session.hpp"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace quilvo::testing {

namespace {

const TempDir& processSocketDir() {
    static const TempDir dir("quilvo-bus");
    return dir;
}

}  // namespace

DbusSession::DbusSession(Socket socket) {
    if (socket == Socket::own) {
        ownDir_ = std::make_unique<TempDir>("quilvo-bus");
        socketPath_ = *ownDir_ / "bus";
    } else {
        socketPath_ = processSocketDir() / "bus";
    }
    address_ = "unix:path=" + socketPath_;
    if (socket == Socket::sharedByThisProcess) {
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }
}

DbusSession::~DbusSession() {
    daemon_.reset();
}

bool DbusSession::start() {
    daemon_.reset();
    std::error_code ignored;
    std::filesystem::remove(socketPath_, ignored);
    ChildProcess::Options options;
    options.captureStdout = true;
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address",
                                 "--address=" + address_},
        options);
    // The daemon prints its address once it is listening.
    return daemon_->nextLine(std::chrono::seconds(10)).has_value();
}

void DbusSession::kill() {
    if (daemon_) {
        daemon_->signal(SIGKILL);
        daemon_.reset();
    }
}

}  // namespace quilvo::testing
