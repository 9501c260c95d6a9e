#include "adapters/glib/glib_event_loop.hpp"

#include <glib.h>
#include <time.h>

#include <algorithm>
#include <cmath>

namespace quilvo {

namespace {

unsigned toMilliseconds(Seconds duration) {
    const double ms = std::ceil(duration.count() * 1000.0);
    return static_cast<unsigned>(std::clamp(std::isnan(ms) ? 0.0 : ms, 0.0, 2147483647.0));
}

// Attaches `source` to the default context, running `call` (which returns whether to keep the
// source) with `data`, which `release` frees once the source is gone. Thread-safe.
GSource* attach(GSource* source, GSourceFunc call, void* data, GDestroyNotify release) {
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, call, data, release);
    g_source_attach(source, nullptr);
    return source;
}

// A repeating GLib timeout. Its callback data holds this object and the tick, so it keeps
// running when the handle is dropped, until invalidate() or the loop's end; both go then,
// and with them what the tick holds, even while a handle remains.
class GlibTimer : public Timer, public std::enable_shared_from_this<GlibTimer> {
  public:
    ~GlibTimer() override {
        if (source_ != nullptr) {
            g_source_unref(source_);
        }
    }

    void start(unsigned interval, std::function<void(Timer&)> tick) {
        struct Ticking {
            std::shared_ptr<GlibTimer> self;
            std::function<void(Timer&)> tick;
        };
        source_ = attach(
            g_timeout_source_new(std::max(1u, interval)),
            [](void* data) -> gboolean {
                auto& ticking = *static_cast<Ticking*>(data);
                ticking.tick(*ticking.self);
                return ticking.self->isValid();
            },
            new Ticking{shared_from_this(), std::move(tick)},
            [](void* data) { delete static_cast<Ticking*>(data); });
    }

    // GLib holds the callback data until a running tick returns, so a tick may invalidate.
    void invalidate() override {
        if (source_ != nullptr) {
            g_source_destroy(source_);
        }
    }

    bool isValid() const override { return source_ != nullptr && !g_source_is_destroyed(source_); }

  private:
    GSource* source_ = nullptr;
};

struct Delayed {
    GlibEventLoop* loop;
    std::function<void()> work;
};

}  // namespace

GlibEventLoop::~GlibEventLoop() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        posted_.clear();
    }
    if (drainSource_ != nullptr) {
        g_source_destroy(drainSource_);
        g_source_unref(drainSource_);
    }
    for (GSource* source : delayed_) {
        g_source_destroy(source);
        g_source_unref(source);
    }
    for (const auto& timer : timers_) {
        if (const auto live = timer.lock()) {
            live->invalidate();
        }
    }
}

Instant GlibEventLoop::now() const {
    // Boot time: it never steps and, unlike the monotonic clock, counts the time asleep too.
    timespec t{};
    clock_gettime(CLOCK_BOOTTIME, &t);
    return Instant(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
}

void GlibEventLoop::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (closed_) {
        return;
    }
    posted_.push_back(std::move(work));
    // One source drains the queue, so that work runs in posting order.
    if (drainSource_ == nullptr) {
        drainSource_ = attach(g_idle_source_new(), &GlibEventLoop::drain, this, nullptr);
    }
}

int GlibEventLoop::drain(void* self) {
    auto& loop = *static_cast<GlibEventLoop*>(self);
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(loop.mutex_);
        batch.swap(loop.posted_);
        g_source_unref(loop.drainSource_);
        loop.drainSource_ = nullptr;
    }
    for (auto& work : batch) {
        work();
    }
    return G_SOURCE_REMOVE;
}

void GlibEventLoop::postAfter(Seconds delay, std::function<void()> work) {
    // The timeout starts on the main thread, and counts from there: never early.
    post([this, ms = toMilliseconds(delay), work = std::move(work)]() mutable {
        arm(ms, std::move(work));
    });
}

void GlibEventLoop::arm(unsigned milliseconds, std::function<void()> work) {
    auto* delayed = new Delayed{this, std::move(work)};
    delayed_.insert(attach(
        g_timeout_source_new(milliseconds),
        [](void* data) -> gboolean {
            auto& self = *static_cast<Delayed*>(data);
            GSource* source = g_main_current_source();
            self.loop->delayed_.erase(source);
            self.work();
            g_source_unref(source);
            return G_SOURCE_REMOVE;
        },
        delayed, [](void* data) { delete static_cast<Delayed*>(data); }));
}

std::shared_ptr<Timer> GlibEventLoop::scheduleRepeating(Seconds interval,
                                                        std::function<void(Timer&)> tick) {
    std::erase_if(timers_, [](const auto& timer) { return timer.expired(); });
    auto timer = std::make_shared<GlibTimer>();
    timer->start(toMilliseconds(interval), std::move(tick));
    timers_.push_back(timer);
    return timer;
}

}  // namespace quilvo
