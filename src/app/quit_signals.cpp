#include "app/quit_signals.hpp"

#include <glib-unix.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <utility>

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
    if (watch_ != 0) {
        g_source_remove(watch_);
    }
    if (fd_ >= 0) {
        close(fd_);
    }
}

void QuitSignals::onQuit(std::function<void()> quit) {
    if (fd_ < 0 || watch_ != 0) {
        return;
    }
    quit_ = std::move(quit);
    watch_ = g_unix_fd_add(
        fd_, G_IO_IN,
        [](int fd, GIOCondition, void* self) -> gboolean {
            signalfd_siginfo info{};
            while (read(fd, &info, sizeof info) == sizeof info) {
                static_cast<QuitSignals*>(self)->quit_();
            }
            return G_SOURCE_CONTINUE;
        },
        this);
}

}  // namespace quilvo
