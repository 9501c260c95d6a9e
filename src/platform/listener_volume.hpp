#pragma once

#include <functional>

namespace quilvo {

// The listener's own level for Quilvo: the sound server's volume of its stream, on the scale the
// desktop's mixer shows (1 is 100 %). It is never the player's fades. Main thread only.
class ListenerVolume {
  public:
    virtual ~ListenerVolume() = default;
    // The level last seen or set; 1 until a stream has played.
    virtual double level() const = 0;
    // Sets the level of Quilvo's streams, the playing one and the next ones.
    virtual void setLevel(double level) = 0;
    // `changed` runs whenever the level changes, from the mixer as well as from setLevel().
    virtual void observe(std::function<void()> changed) = 0;
};

}  // namespace quilvo
