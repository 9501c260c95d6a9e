#include "app/quit_signals.hpp"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace quilvo {

namespace {

sigset_t quitSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

QuitSignals::QuitSignals() {
    const sigset_t set = quitSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

QuitSignals::~QuitSignals() {
    notifier_.reset();
    if (fd_ >= 0) {
        close(fd_);
    }
}

void QuitSignals::onQuit(std::function<void()> quit) {
    if (fd_ < 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [fd = fd_, quit = std::move(quit)] {
                         signalfd_siginfo info{};
                         while (read(fd, &info, sizeof info) == sizeof info) {
                             quit();
                         }
                     });
}

}  // namespace quilvo
