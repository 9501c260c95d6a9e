#include "adapters/qt/qt_event_loop.hpp"

#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace quilvo {

namespace {

int toMilliseconds(Seconds duration) {
    const double ms = std::ceil(duration.count() * 1000.0);
    return static_cast<int>(std::clamp(std::isnan(ms) ? 0.0 : ms, 0.0, 2147483647.0));
}

// A repeating QTimer owned by the loop's context object. The timer's connection holds this
// object, so it keeps running when the handle is dropped, until invalidate() or the loop's end.
class QtTimer : public Timer, public std::enable_shared_from_this<QtTimer> {
  public:
    void start(QObject* context, Seconds interval, std::function<void(Timer&)> tick) {
        auto* timer = new QTimer(context);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(std::max(1, toMilliseconds(interval)));
        QObject::connect(timer, &QTimer::timeout, timer,
                         [self = shared_from_this(), tick = std::move(tick)] {
                             if (self->isValid()) {
                                 tick(*self);
                             }
                         });
        timer_ = timer;
        timer->start();
    }

    void invalidate() override {
        if (timer_) {
            timer_->stop();
            // Deleting the QTimer releases the connection, and with it this object.
            timer_->deleteLater();
            timer_ = nullptr;
        }
    }

    bool isValid() const override { return timer_ && timer_->isActive(); }

  private:
    QPointer<QTimer> timer_;
};

}  // namespace

QtEventLoop::QtEventLoop() : context_(std::make_unique<QObject>()) {}

QtEventLoop::~QtEventLoop() = default;

Instant QtEventLoop::now() const {
    return std::chrono::system_clock::now();
}

void QtEventLoop::post(std::function<void()> work) {
    // Queued calls to one receiver are delivered in posting order, from any thread.
    QMetaObject::invokeMethod(context_.get(), std::move(work), Qt::QueuedConnection);
}

void QtEventLoop::postAfter(Seconds delay, std::function<void()> work) {
    const int ms = toMilliseconds(delay);
    QObject* context = context_.get();
    auto arm = [context, ms, work = std::move(work)]() mutable {
        QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(work));
    };
    if (QThread::currentThread() == context->thread()) {
        arm();
    } else {
        post(std::move(arm));
    }
}

std::shared_ptr<Timer> QtEventLoop::scheduleRepeating(Seconds interval,
                                                      std::function<void(Timer&)> tick) {
    auto timer = std::make_shared<QtTimer>();
    timer->start(context_.get(), interval, std::move(tick));
    return timer;
}

}  // namespace quilvo
