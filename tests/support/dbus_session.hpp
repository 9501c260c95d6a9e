#pragma once

#include <memory>
#include <string>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// A session bus of the test's own: `dbus-daemon --session` on a unix socket, not started until
// start() and killed on destruction, also when a test fails. kill() and start() again bring a
// new daemon up at the same address, as when the desktop's bus restarts.
class DbusSession {
  public:
    enum class Socket {
        // A socket in a fresh temporary folder of this bus; clients in child processes reach
        // it through clientEnv().
        own,
        // One socket path for the whole test process, also exported in this process's
        // DBUS_SESSION_BUS_ADDRESS: libdbus reads that variable once per process, so an
        // in-process client (QtDBus) can only ever reach a bus there.
        sharedByThisProcess,
    };

    explicit DbusSession(Socket socket = Socket::own);
    ~DbusSession();

    DbusSession(const DbusSession&) = delete;
    DbusSession& operator=(const DbusSession&) = delete;

    // Starts the daemon and waits until it accepts connections; false if it did not come up.
    bool start();
    // Kills the daemon without letting it say goodbye to its clients.
    void kill();

    // "unix:path=<socket>".
    const std::string& address() const { return address_; }
    // "DBUS_SESSION_BUS_ADDRESS=<address>", for ChildProcess::Options::env.
    std::string clientEnv() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }

  private:
    std::unique_ptr<TempDir> ownDir_;
    std::string socketPath_;
    std::string address_;
    std::unique_ptr<ChildProcess> daemon_;
};

}  // namespace quilvo::testing
