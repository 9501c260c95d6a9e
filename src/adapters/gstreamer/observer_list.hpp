#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_player.hpp"

namespace quilvo {

// Callbacks that may be called from any thread. A callback never starts once its observation
// has been invalidated; invalidating from another thread waits for a running call to end,
// invalidating from inside the callback itself does not.
class ObserverList {
  public:
    class Entry;

    // With `initial`, the callback is also called once before this returns.
    std::unique_ptr<Observation> add(std::function<void()> callback, bool initial = false);
    // Calls every live callback. Call it without holding any lock a callback might take.
    void notify();
    // No callback starts after this returns (the player is gone).
    void close();

  private:
    std::vector<std::shared_ptr<Entry>> snapshot();

    std::mutex mutex_;
    bool closed_ = false;
    std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace quilvo
