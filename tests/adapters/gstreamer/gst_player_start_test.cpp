#include <chrono>
#include <iostream>

#include "player_probe.hpp"
#include "stream_lab.hpp"
#include "support/icecast_server.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;

class GstPlayerStart : public StreamLab {};

TEST_F(GstPlayerStart, NewPlayerIsPausedUnknownAndAtFullVolume) {
    auto player = factory.create(faults().url("/stream"));
    EXPECT_EQ(player->itemStatus(), ItemStatus::unknown);
    EXPECT_EQ(player->timeControlStatus(), TimeControlStatus::paused);
    EXPECT_EQ(player->volume(), 1.0f);
    EXPECT_FALSE(player->timedMetadata().has_value());
}

TEST_F(GstPlayerStart, GoodStreamBecomesReadyThenPlaysAudibly) {
    PlayerProbe probe(factory.create(faults().url("/stream")));
    const auto start = SinkRecorder::Clock::now();
    probe.player().play();
    EXPECT_EQ(probe.player().timeControlStatus(), TimeControlStatus::waitingToPlay);

    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    EXPECT_EQ(probe.player().itemStatus(), ItemStatus::readyToPlay);
    EXPECT_TRUE(recorder().waitForSound(kSound, start, 5s).has_value());

    // Ready comes before playing, and nothing reads as paused or failed on the way.
    const auto events = probe.events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().control, TimeControlStatus::waitingToPlay);
    for (const auto& event : events) {
        EXPECT_NE(event.item, ItemStatus::failed);
        EXPECT_NE(event.control, TimeControlStatus::paused);
        if (event.control == TimeControlStatus::playing) {
            EXPECT_EQ(event.item, ItemStatus::readyToPlay);
        }
    }
}

TEST_F(GstPlayerStart, PlayTwiceIsHarmless) {
    PlayerProbe probe(factory.create(faults().url("/stream")));
    probe.player().play();
    probe.player().play();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    probe.player().play();
    EXPECT_EQ(probe.player().timeControlStatus(), TimeControlStatus::playing);
}

// Streams that never produce audio: the item fails, and the player never claims to play.
class GstPlayerFailure : public StreamLab, public ::testing::WithParamInterface<const char*> {};

TEST_P(GstPlayerFailure, ItemFailsWithoutPlaying) {
    const std::string path = GetParam();
    const auto url = path == "refused" ? FaultStreamServer::refusedUrl() : faults().url(path);
    PlayerProbe probe(factory.create(url));
    probe.player().play();
    // The slowest case is bytes that are not audio: typefind gives up after a few seconds.
    ASSERT_TRUE(probe.waitForItem(ItemStatus::failed, 15s)) << url;
    EXPECT_FALSE(probe.sawControl(TimeControlStatus::playing));
    EXPECT_NE(probe.player().timeControlStatus(), TimeControlStatus::playing);
}

INSTANTIATE_TEST_SUITE_P(Faults, GstPlayerFailure,
                         ::testing::Values("refused", "/404", "/garbage", "/html"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '/');
                             return name;
                         });

// A server that answers nothing, or headers and nothing, is left to the watchdog's connect
// timeout: the player waits and neither plays nor fails within it.
TEST_F(GstPlayerStart, HungServerLeavesThePlayerWaiting) {
    for (const char* path : {"/never", "/silence"}) {
        PlayerProbe probe(factory.create(faults().url(path)));
        probe.player().play();
        EXPECT_FALSE(probe.waitForItem(ItemStatus::failed, 3s)) << path;
        EXPECT_FALSE(probe.sawControl(TimeControlStatus::playing)) << path;
        EXPECT_EQ(probe.player().timeControlStatus(), TimeControlStatus::waitingToPlay) << path;
    }
}

// Time from play() to the first audible block at the sink, for the record.
SinkRecorder::Clock::duration timeToFirstAudio(GstAudioPlayerFactory& factory,
                                               const std::string& url, SinkRecorder& recorder) {
    PlayerProbe probe(factory.create(url));
    const auto start = SinkRecorder::Clock::now();
    probe.player().play();
    EXPECT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    const auto heard = recorder.waitForSound(0.02, start, 10s);
    EXPECT_TRUE(heard.has_value());
    return heard.value_or(start) - start;
}

TEST_F(GstPlayerStart, IcecastStreamPlaysWithAndWithoutBurst) {
    for (const bool burst : {true, false}) {
        IcecastServer icecast(tone(), {.burst = burst});
        const auto first = timeToFirstAudio(factory, icecast.url(), recorder());
        std::cout << "first audio from Icecast " << (burst ? "with" : "without") << " burst after "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(first).count()
                  << " ms\n";
        ASSERT_TRUE(recorder().waitForQuiet(kSound, 300ms, SinkRecorder::Clock::now(), 5s));
    }
}

}  // namespace
}  // namespace quilvo::testing
