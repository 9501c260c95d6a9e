#include <chrono>
#include <thread>

#include "player_probe.hpp"
#include "stream_lab.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = SinkRecorder::Clock;

class GstPlayerAudio : public StreamLab {
  protected:
    // Starts a player on a steady tone and waits until it plays.
    std::unique_ptr<PlayerProbe> playing(float volume) {
        auto probe = std::make_unique<PlayerProbe>(factory.create(faults().url("/stream?burst=2")));
        probe->player().setVolume(volume);
        probe->player().play();
        EXPECT_TRUE(probe->waitForControl(TimeControlStatus::playing, 10s));
        return probe;
    }

    // Waits for `span` of audio to have been played after now.
    static Clock::time_point hold(std::chrono::milliseconds span) {
        const auto from = Clock::now();
        std::this_thread::sleep_for(span);
        return from;
    }
};

TEST_F(GstPlayerAudio, StartsSilentAtVolumeZeroAndRampsUpAudibly) {
    auto probe = playing(0.0f);
    const auto quiet = hold(600ms);
    EXPECT_LT(recorder().levelBetween(quiet + 100ms, Clock::now()), 0.002);

    std::vector<double> levels;
    for (const float volume : {0.1f, 0.3f, 0.6f, 1.0f}) {
        probe->player().setVolume(volume);
        EXPECT_EQ(probe->player().volume(), volume);
        const auto from = hold(400ms);
        // The sound server applies the stream volume at once; skip a little for scheduling.
        levels.push_back(recorder().levelBetween(from + 100ms, Clock::now()));
    }
    for (std::size_t i = 1; i < levels.size(); ++i) {
        EXPECT_GT(levels[i], levels[i - 1] * 1.5) << "step " << i;
    }
    EXPECT_GT(levels.back(), 0.1);
}

TEST_F(GstPlayerAudio, VolumeIsClampedToTheUnitRange) {
    auto probe = playing(0.5f);
    probe->player().setVolume(3.0f);
    EXPECT_EQ(probe->player().volume(), 1.0f);
    probe->player().setVolume(-1.0f);
    EXPECT_EQ(probe->player().volume(), 0.0f);
}

TEST_F(GstPlayerAudio, PausedPlayerIsSilentAndResumes) {
    auto probe = playing(1.0f);
    ASSERT_TRUE(recorder().waitForSound(kSound, Clock::now() - 1s, 5s));

    probe->player().pause();
    EXPECT_EQ(probe->player().timeControlStatus(), TimeControlStatus::paused);
    // A fade-out ends with pause() and then puts the volume back: that must stay unheard.
    probe->player().setVolume(0.8f);
    const auto paused = Clock::now();
    const auto quiet = recorder().waitForQuiet(0.002, 1500ms, paused, 5s);
    ASSERT_TRUE(quiet.has_value());
    EXPECT_LT(*quiet - paused, 300ms) << "still heard after pause()";
    EXPECT_EQ(probe->player().timeControlStatus(), TimeControlStatus::paused);

    probe->player().play();
    ASSERT_TRUE(probe->waitForControl(TimeControlStatus::playing, 10s));
    EXPECT_TRUE(recorder().waitForSound(kSound, Clock::now(), 5s));
}

}  // namespace
}  // namespace quilvo::testing
