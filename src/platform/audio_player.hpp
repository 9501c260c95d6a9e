#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilvo {

enum class ItemStatus { unknown, readyToPlay, failed };

enum class TimeControlStatus { paused, waitingToPlay, playing };

inline constexpr std::string_view kCommonKeyTitle = "title";
inline constexpr std::string_view kCommonKeyArtist = "artist";

// One timed metadata item of a stream; either member may be absent.
struct MetadataItem {
    std::optional<std::string> stringValue;
    std::optional<std::string> commonKey;

    friend bool operator==(const MetadataItem&, const MetadataItem&) = default;
};

// A registered observation. After invalidate() returns, no further callback starts.
class Observation {
  public:
    virtual ~Observation() = default;
    virtual void invalidate() = 0;
};

// One stream player (player and its item in one: a player plays exactly one URL).
// Getters are safe from any thread. Observation callbacks may run on any thread.
class AudioPlayer {
  public:
    virtual ~AudioPlayer() = default;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual float volume() const = 0;
    virtual void setVolume(float volume) = 0;

    virtual ItemStatus itemStatus() const = 0;
    virtual TimeControlStatus timeControlStatus() const = 0;
    // Absent until the stream has said anything about metadata.
    virtual std::optional<std::vector<MetadataItem>> timedMetadata() const = 0;

    // New values only.
    virtual std::unique_ptr<Observation> observeItemStatus(std::function<void()> changed) = 0;
    // Once at registration, then on every change.
    virtual std::unique_ptr<Observation> observeTimedMetadata(std::function<void()> changed) = 0;
    // New values only.
    virtual std::unique_ptr<Observation> observeTimeControlStatus(
        std::function<void()> changed) = 0;
};

class AudioPlayerFactory {
  public:
    virtual ~AudioPlayerFactory() = default;
    // A new player for the stream at `url`, at volume 1, not yet playing.
    virtual std::shared_ptr<AudioPlayer> create(const std::string& url) = 0;
};

}  // namespace quilvo
