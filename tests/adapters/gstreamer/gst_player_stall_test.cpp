#include <chrono>
#include <thread>

#include "player_probe.hpp"
#include "stream_lab.hpp"
#include "support/icecast_server.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;

class GstPlayerStall : public StreamLab {
  protected:
    // Plays `url` until it is heard, then expects the audio to run dry and the player to say
    // so soon after, without the item failing.
    void expectStallReported(PlayerProbe& probe) {
        const auto start = SinkRecorder::Clock::now();
        probe.player().play();
        ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
        const auto heard = recorder().waitForSound(kSound, start, 5s);
        ASSERT_TRUE(heard.has_value());

        const auto dry = recorder().waitForQuiet(kSound, 200ms, *heard, 15s);
        ASSERT_TRUE(dry.has_value());
        ASSERT_TRUE(probe.waitForControl(TimeControlStatus::waitingToPlay, 5s));
        const auto waiting = probe.events().back().at;
        EXPECT_LT(waiting - *dry, 2s) << "the stall was reported late";
        EXPECT_EQ(probe.player().itemStatus(), ItemStatus::readyToPlay);
    }
};

TEST_F(GstPlayerStall, ServerThatGoesSilentIsAStall) {
    PlayerProbe probe(factory.create(faults().url("/stream?stall=2")));
    expectStallReported(probe);
    // The source's own timeout ends the stream later; that is still a stall, not a failure.
    EXPECT_FALSE(probe.waitForItem(ItemStatus::failed, 7s));
    EXPECT_EQ(probe.player().timeControlStatus(), TimeControlStatus::waitingToPlay);
}

TEST_F(GstPlayerStall, ClosedConnectionIsAStall) {
    PlayerProbe probe(factory.create(faults().url("/stream?close=2")));
    expectStallReported(probe);
    EXPECT_FALSE(probe.waitFor(
        [](auto& p) {
            return p.itemStatus() != ItemStatus::readyToPlay ||
                   p.timeControlStatus() != TimeControlStatus::waitingToPlay;
        },
        1s));
}

TEST_F(GstPlayerStall, IcecastSourceGoingAwayIsAStall) {
    IcecastServer icecast(tone(), {.burst = false});
    PlayerProbe probe(factory.create(icecast.url()));
    const auto start = SinkRecorder::Clock::now();
    probe.player().play();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    ASSERT_TRUE(recorder().waitForSound(kSound, start, 5s));
    icecast.stopSource();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::waitingToPlay, 5s));
    EXPECT_EQ(probe.player().itemStatus(), ItemStatus::readyToPlay);
}

TEST_F(GstPlayerStall, StreamThatComesBackIsHeardAgain) {
    PlayerProbe probe(factory.create(faults().url("/stream?gapat=2&gap=2")));
    const auto start = SinkRecorder::Clock::now();
    probe.player().play();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::waitingToPlay, 10s));
    const auto stalled = PlayerProbe::Clock::now();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    const auto resumed = PlayerProbe::Clock::now();
    // The audio after the gap really plays: late data is not thrown away.
    EXPECT_TRUE(recorder().waitForSound(kSound, stalled + 200ms, 5s));
    std::this_thread::sleep_until(resumed + 1300ms);
    EXPECT_GT(recorder().levelBetween(resumed + 300ms, resumed + 1300ms), kSound)
        << "silent although the player says it plays";
    EXPECT_GT(stalled, start);
}

TEST_F(GstPlayerStall, DipThatDoesNotStarveTheSinkIsNotAStall) {
    // Three seconds of burst cover a one-second pause of the server.
    PlayerProbe probe(factory.create(faults().url("/stream?burst=3&gapat=4&gap=1")));
    probe.player().play();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    const auto playing = PlayerProbe::Clock::now();
    EXPECT_FALSE(probe.waitForControl(TimeControlStatus::waitingToPlay, 4s));
    EXPECT_FALSE(probe.sawControl(TimeControlStatus::waitingToPlay, playing));
}

}  // namespace
}  // namespace quilvo::testing
