#pragma once

#include <memory>

#include "adapters/gstreamer/station_stream.hpp"
#include "platform/audio_player.hpp"

namespace quilvo {

// The handle the model holds. Dropping it stops every callback and tears the stream down
// on the worker thread, so the last release never blocks its caller.
class GstAudioPlayer : public AudioPlayer {
  public:
    explicit GstAudioPlayer(std::shared_ptr<StationStream> stream);
    ~GstAudioPlayer() override;

    GstAudioPlayer(const GstAudioPlayer&) = delete;
    GstAudioPlayer& operator=(const GstAudioPlayer&) = delete;

    void play() override;
    void pause() override;
    float volume() const override;
    void setVolume(float volume) override;

    ItemStatus itemStatus() const override;
    TimeControlStatus timeControlStatus() const override;
    std::optional<std::vector<MetadataItem>> timedMetadata() const override;

    std::unique_ptr<Observation> observeItemStatus(std::function<void()> changed) override;
    std::unique_ptr<Observation> observeTimedMetadata(std::function<void()> changed) override;
    std::unique_ptr<Observation> observeTimeControlStatus(std::function<void()> changed) override;

  private:
    std::shared_ptr<StationStream> stream_;
};

}  // namespace quilvo
