#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

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

    // Needs a running Qt event loop; `quit` runs once per received signal.
    void onQuit(std::function<void()> quit);

  private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quilvo
