#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// A PulseAudio server of the test's own, on a socket in a fresh temporary folder, with two
// null sinks: "sinkA" (the default) and "sinkB". While it exists, PULSE_SERVER of this process
// points at it (the previous value is restored afterwards); children started with
// clientEnv() use it as well. The server is killed on destruction, also when a test fails.
//
// Each sink carries a silent low-latency stream ("keep-awake"), so that the sink renders in
// small blocks as a sound card does: an idle null sink renders up to 2 s ahead, which would
// delay the first audio of every new stream by up to 2 s. `pactl list sink-inputs` shows them.
//
// Throws std::runtime_error if the server does not answer within 10 s.
class PulseServer {
  public:
    PulseServer();
    ~PulseServer();

    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // "unix:<folder>/native".
    const std::string& address() const { return address_; }
    // "PULSE_SERVER=<address>", for ChildProcess::Options::env.
    std::string clientEnv() const { return "PULSE_SERVER=" + address_; }

    // Runs pactl against this server; its standard output, absent if it failed.
    std::optional<std::string> pactl(const std::vector<std::string>& arguments) const;
    // Makes `sink` the default sink (the server announces the change to its clients).
    void setDefaultSink(const std::string& sink) const;
    std::string defaultSink() const;

  private:
    TempDir dir_;
    std::string address_;
    std::optional<std::string> previousServer_;
    std::unique_ptr<ChildProcess> daemon_;
    std::vector<std::unique_ptr<ChildProcess>> keepAwake_;
};

}  // namespace quilvo::testing
