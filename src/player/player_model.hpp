#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/mood.hpp"
#include "catalogue/station.hpp"
#include "catalogue/station_repository.hpp"
#include "platform/audio_player.hpp"
#include "platform/clock.hpp"
#include "platform/event_loop.hpp"
#include "platform/media_session.hpp"
#include "platform/output_device_monitor.hpp"
#include "platform/stats_recorder.hpp"
#include "platform/system_condition.hpp"
#include "player/notification_center.hpp"
#include "player/will_change_signal.hpp"

namespace quilvo {

// The platform services the model talks to. They must outlive the model.
struct PlayerServices {
    EventLoop& loop;
    AudioPlayerFactory& players;
    MediaSession& media;
    OutputDeviceMonitor& outputDevices;
    StatsRecorder& stats;
    NotificationCenter& notifications;
    // Random source for the draws; seeded from the system when absent.
    std::function<std::uint64_t()> random = {};
    // Network, sleep and the sound server; without it the machine counts as online and awake,
    // with a sound server that answers.
    SystemConditionMonitor* system = nullptr;
};

// The playback engine. Create it with `create`: every deferred callback holds it weakly.
// All operations run on the main thread.
class PlayerModel : public std::enable_shared_from_this<PlayerModel> {
  public:
    enum class Phase { idle, connecting, playing, paused };

    static std::shared_ptr<PlayerModel> create(PlayerServices services,
                                               StationRepository repository);
    ~PlayerModel();

    // Published properties.
    const std::optional<Mood>& currentMood() const { return currentMood_; }
    const std::optional<Station>& currentStation() const { return currentStation_; }
    Phase phase() const { return phase_; }
    const std::optional<std::string>& songText() const { return songText_; }
    const std::string& statusText() const { return statusText_; }
    const std::optional<std::string>& sleepRemainText() const { return sleepRemainText_; }
    WillChangeSignal& objectWillChange() { return objectWillChange_; }

    const StationRepository& repository() const { return repository_; }
    bool sleepActive() const { return sleepDeadline_.has_value(); }
    // The minutes the running sleep timer was armed with; 0 when none runs.
    std::int64_t sleepMinutes() const { return sleepDeadline_ ? sleepMinutes_ : 0; }

    void playMood(Mood mood);
    void playRandomMood();
    void shuffleStation();
    void toggle();
    void setSleep(std::int64_t minutes);
    void setupRemoteCommands();
    void installOutputDeviceWatcher();
    void installSystemConditionWatcher();
    void shutdown();

    // The application shell's close hint writes the status line directly.
    void setStatusText(std::string text);

  private:
    // How a station start relates to the request and its attempt round.
    enum class Start {
        request,    // the listener asked: a new request and a new round
        automatic,  // the watchdog moved on: a new request within the current round
        reconnect,  // a new player for the current request
    };

    PlayerModel(PlayerServices services, StationRepository repository);

    void setCurrentMood(std::optional<Mood> mood);
    void setCurrentStation(std::optional<Station> station);
    void setPhase(Phase phase);
    void setSongText(std::optional<std::string> text);
    void setSleepRemainText(std::optional<std::string> text);

    // Selection.
    std::optional<Station> drawNext(Mood mood, const std::optional<Station>& avoid);
    // A listener's draw: when every station of the mood is out, the one out longest.
    std::optional<Station> drawRequested(Mood mood);
    void markFailed(const std::string& id);
    bool failedRecently(std::string_view id) const;
    std::size_t randomIndex(std::size_t bound);
    void openRound();
    // Stream session.
    void playStation(Station station, Start start);
    void closeSession();
    void teardownObservers();
    void takePlayerOut(double rampDuration);
    void rampOut(std::shared_ptr<AudioPlayer> player, double duration);
    void endFadeOut();
    bool isCurrent(std::int64_t generation, const std::shared_ptr<AudioPlayer>& player) const;
    void onItemStatus(std::int64_t generation, const std::shared_ptr<AudioPlayer>& player,
                      const Station& station);
    void onFirstAudio(std::int64_t generation, const std::shared_ptr<AudioPlayer>& player,
                      const Station& station);
    void updateSongTitle(const std::shared_ptr<AudioPlayer>& player);
    void startFadeIn(std::shared_ptr<AudioPlayer> player);
    float firstFadeInGain() const;
    std::int64_t msSinceRequest() const;
    void endListen();
    void track(std::string_view type, std::optional<Mood> mood,
               std::optional<std::string> stationId = std::nullopt,
               std::optional<bool> ok = std::nullopt, std::optional<std::int64_t> ms = std::nullopt,
               std::optional<double> minutes = std::nullopt);
    // Watchdog.
    void ensureBeat();
    void checkHealth();
    void attemptNext();
    void giveUp();
    // Sleep timer.
    void ensureSleepTick();
    void tickSleep();
    void expireSleep();
    void refreshSleepText(bool force);
    float sleepFactor() const;
    void applySleepVolume();
    void stopEverything();
    // Media integration.
    void updateNowPlaying(bool paused, bool clear);
    void pauseForOutputDeviceChange();
    // Network, sleep and the sound server.
    bool networkOffline() const;
    bool waitingForSystem() const;
    // True when the system, not the station, explains a failure (confirming an outage that the
    // network hint announced); the player then waits.
    bool outageExplainsFailure();
    void onSystemCondition(SystemCondition condition);
    void showWaitingForSystem();
    void retryDuringOutage();
    void reconnectAfterOutage();
    void holdSleepDelay(bool held);

    // A callback for any thread that posts `work` to the main queue, run only while the model
    // lives.
    std::function<void()> onMain(std::function<void(PlayerModel&)> work);

    Instant now() const { return services_.loop.now(); }

    PlayerServices services_;
    WillChangeSignal objectWillChange_;

    std::optional<Mood> currentMood_;
    std::optional<Station> currentStation_;
    Phase phase_ = Phase::idle;
    std::optional<std::string> songText_;
    std::string statusText_;
    std::optional<std::string> sleepRemainText_;
    StationRepository repository_;
    std::shared_ptr<AudioPlayer> player_;
    std::unique_ptr<Observation> itemObserver_;
    std::unique_ptr<Observation> metaObserver_;
    std::unique_ptr<Observation> statusObserver_;
    std::int64_t gen_ = 0;
    std::optional<Instant> requestStart_;
    bool everPlayedThisRequest_ = false;
    bool userPaused_ = false;
    std::shared_ptr<Timer> beat_;
    // Per mood, the cycle's stations still to come (indices into the repository), next one last.
    std::map<Mood, std::vector<std::size_t>> queues_;
    // When each station failed last; it is out of the draw for a while after that.
    std::map<std::string, Instant, std::less<>> sessionFailed_;
    std::set<std::string> roundStations_;
    std::optional<Instant> roundDeadline_;
    std::optional<Instant> stallDeadline_;
    std::int64_t reconnectTried_ = 0;
    std::shared_ptr<Timer> fadeInTimer_;
    // The one player fading out, held by its ramp alone.
    struct FadeOut {
        std::shared_ptr<Timer> timer;
        std::weak_ptr<AudioPlayer> player;
        float startVolume = 0;
    };
    FadeOut fadeOut_;
    std::optional<Instant> sleepDeadline_;
    std::int64_t sleepMinutes_ = 0;
    std::shared_ptr<Timer> sleepTick_;
    std::optional<std::string> lastSleepText_;
    std::optional<Instant> listenStart_;
    double listenAccum_ = 0;
    const float baseGain_ = 0.8F;
    std::optional<std::string> songTitle_;
    std::optional<std::string> songArtist_;
    std::function<void()> deviceListenerBlock_;
    SystemCondition condition_;
    // Since the network hint last changed: a stream played, or a connection failed.
    bool hintOverruled_ = false;
    bool outageConfirmed_ = false;
    // The current player failed or was found silent while the machine was away.
    bool heldForSystem_ = false;
    std::optional<Instant> waitingSince_;

    std::mt19937_64 systemRandom_;
};

std::string_view phaseName(PlayerModel::Phase phase);

}  // namespace quilvo
