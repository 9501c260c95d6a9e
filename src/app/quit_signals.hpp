#pragma once

#include <functional>

namespace quilvo {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the main thread, so the program can shut
// down in order. Construct it first in main(): the signals are blocked for every thread
// started afterwards and read from a signalfd instead.
class QuitSignals {
  public:
    QuitSignals();
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Watched on GLib's default main context; `quit` runs once per received signal.
    void onQuit(std::function<void()> quit);

  private:
    int fd_ = -1;
    unsigned watch_ = 0;
    std::function<void()> quit_;
};

}  // namespace quilvo
