#include "adapters/pulse/pulse_output_device_monitor.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "support/child_process.hpp"
#include "support/manual_event_loop.hpp"
#include "support/pulse_server.hpp"
#include "support/temp_dir.hpp"

namespace quilvo {
namespace {

using namespace std::chrono_literals;

// Threads of the monitor, which names its libpulse thread.
int pulseThreads() {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        count += std::getline(comm, name) && name == "quilvo-pulse" ? 1 : 0;
    }
    return count;
}

// Counts the work posted to it, from whichever thread.
class CountingEventLoop : public testing::ManualEventLoop {
  public:
    void post(std::function<void()> work) override {
        ++posted;
        ManualEventLoop::post(std::move(work));
    }

    std::atomic<int> posted = 0;
};

class PulseOutputDeviceMonitorTest : public ::testing::Test {
  protected:
    // Runs the main loop until `done` holds or `timeout` passes.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
        return testing::waitUntil(
            [&] {
                loop_.runUntilIdle();
                return done();
            },
            timeout);
    }

    // Changes arrive in order, so a spurious one would show by the time a later real one has.
    void expectChangesSettleAt(int expected) {
        EXPECT_TRUE(runUntil([&] { return changes_ >= expected; }));
        runUntil([] { return false; }, 300ms);
        EXPECT_EQ(changes_, expected);
    }

    bool monitorConnected() {
        return runUntil([&] {
            return server_->pactl({"list", "clients"})
                       .value_or("")
                       .find("application.name = \"Quilvo\"") != std::string::npos;
        });
    }

    void install() {
        monitor_->install([this] {
            EXPECT_EQ(std::this_thread::get_id(), mainThread_);
            ++changes_;
        });
    }

    // Where no server listens, for the times without one.
    testing::TempDir nowhere_{"quilvo-no-pulse"};
    std::unique_ptr<testing::PulseServer> server_;
    CountingEventLoop loop_;
    std::unique_ptr<PulseOutputDeviceMonitor> monitor_ =
        std::make_unique<PulseOutputDeviceMonitor>(loop_);
    const std::thread::id mainThread_ = std::this_thread::get_id();
    int changes_ = 0;
};

TEST_F(PulseOutputDeviceMonitorTest, CallsBackOnlyWhenTheDefaultSinkChanges) {
    server_ = std::make_unique<testing::PulseServer>();
    install();
    ASSERT_TRUE(monitorConnected());

    server_->setDefaultSink("sinkB");
    expectChangesSettleAt(1);

    server_->setDefaultSink("sinkB");
    server_->pactl({"set-default-source", "sinkA.monitor"});
    server_->setDefaultSink("sinkA");
    expectChangesSettleAt(2);

    EXPECT_EQ(pulseThreads(), 1);
    monitor_.reset();
    EXPECT_EQ(pulseThreads(), 0);
}

TEST_F(PulseOutputDeviceMonitorTest, ASecondInstallReplacesTheCallback) {
    server_ = std::make_unique<testing::PulseServer>();
    int firstCalls = 0;
    monitor_->install([&] { ++firstCalls; });
    install();
    ASSERT_TRUE(monitorConnected());

    server_->setDefaultSink("sinkB");
    expectChangesSettleAt(1);
    EXPECT_EQ(firstCalls, 0);
}

TEST_F(PulseOutputDeviceMonitorTest, ReconnectsWhenTheServerRestarts) {
    server_ = std::make_unique<testing::PulseServer>();
    install();
    ASSERT_TRUE(monitorConnected());

    server_.reset();
    runUntil([] { return false; }, 200ms);
    server_ = std::make_unique<testing::PulseServer>();
    ASSERT_TRUE(monitorConnected());
    EXPECT_EQ(changes_, 0);

    server_->setDefaultSink("sinkB");
    expectChangesSettleAt(1);
}

TEST_F(PulseOutputDeviceMonitorTest, WithoutAServerWaitsQuietlyForOne) {
    install();
    runUntil([] { return false; }, 300ms);

    server_ = std::make_unique<testing::PulseServer>();
    ASSERT_TRUE(monitorConnected());
    server_->setDefaultSink("sinkB");
    expectChangesSettleAt(1);

    EXPECT_EQ(pulseThreads(), 1);
    monitor_.reset();
    EXPECT_EQ(pulseThreads(), 0);
}

TEST_F(PulseOutputDeviceMonitorTest, NothingQueuedRunsOnceTheMonitorIsGone) {
    server_ = std::make_unique<testing::PulseServer>();
    install();
    ASSERT_TRUE(monitorConnected());

    server_->setDefaultSink("sinkB");
    ASSERT_TRUE(testing::waitUntil([&] { return loop_.posted == 1; }, 10s));
    monitor_.reset();
    loop_.runUntilIdle();
    EXPECT_EQ(changes_, 0);
}

}  // namespace
}  // namespace quilvo
