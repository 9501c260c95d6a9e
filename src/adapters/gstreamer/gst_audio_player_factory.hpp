#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/audio_player.hpp"

namespace quilvo {

class MirrorMemory;

// Initialises GStreamer for the process. Safe to call more than once and from any thread;
// the factory calls it too.
void initGStreamer();

// Players on GStreamer's playbin with the PulseAudio sink. Players may be created, used and
// dropped on any thread; their observation callbacks run on GStreamer's threads.
class GstAudioPlayerFactory : public AudioPlayerFactory {
  public:
    GstAudioPlayerFactory();
    // Waits briefly for dropped players to be torn down, so that the process exits cleanly.
    ~GstAudioPlayerFactory() override;

    std::shared_ptr<AudioPlayer> create(const std::string& url) override;
    // Streams started from now on are timed for the sound server of this name. Any thread.
    static void soundServerNamed(const std::string& name);

  private:
    std::shared_ptr<MirrorMemory> mirrors_;
    std::thread certificates_;
};

}  // namespace quilvo
