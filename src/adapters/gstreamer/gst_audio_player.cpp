#include "adapters/gstreamer/gst_audio_player.hpp"

namespace quilvo {

GstAudioPlayer::GstAudioPlayer(std::shared_ptr<StationStream> stream)
    : stream_(std::move(stream)) {}

GstAudioPlayer::~GstAudioPlayer() {
    stream_->release();
}

void GstAudioPlayer::play() {
    stream_->play();
}

void GstAudioPlayer::pause() {
    stream_->pause();
}

float GstAudioPlayer::volume() const {
    return stream_->volume();
}

void GstAudioPlayer::setVolume(float volume) {
    stream_->setVolume(volume);
}

ItemStatus GstAudioPlayer::itemStatus() const {
    return stream_->itemStatus();
}

TimeControlStatus GstAudioPlayer::timeControlStatus() const {
    return stream_->timeControlStatus();
}

std::optional<std::vector<MetadataItem>> GstAudioPlayer::timedMetadata() const {
    return stream_->timedMetadata();
}

std::unique_ptr<Observation> GstAudioPlayer::observeItemStatus(std::function<void()> changed) {
    return stream_->itemObservers().add(std::move(changed));
}

std::unique_ptr<Observation> GstAudioPlayer::observeTimedMetadata(std::function<void()> changed) {
    return stream_->metadataObservers().add(std::move(changed), true);
}

std::unique_ptr<Observation> GstAudioPlayer::observeTimeControlStatus(
    std::function<void()> changed) {
    return stream_->controlObservers().add(std::move(changed));
}

}  // namespace quilvo
