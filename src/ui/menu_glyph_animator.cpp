#include "ui/menu_glyph_animator.hpp"

#include <algorithm>
#include <utility>

#include "ui/menu_glyph.hpp"

namespace quilvo::ui {
MenuGlyphAnimator::MenuGlyphAnimator(QObject* parent) : QObject(parent) {
    // QTimer counts whole milliseconds; each frame is aimed at its own deadline so the
    // rate stays exact.
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        advanceFrame();
        scheduleNextFrame();
    });
}

void MenuGlyphAnimator::setFramesPerSecond(int frames) {
    if (frames < 1 || frames == framesPerSecond_) {
        return;
    }
    framesPerSecond_ = frames;
    // Count frames afresh at the new rate.
    framesStart_ = std::chrono::steady_clock::now();
    framesShown_ = 0;
}

void MenuGlyphAnimator::update(bool playing, std::optional<int> activeIndex) {
    playing_ = playing;
    activeIndex_ = activeIndex;
    if (playing) {
        if (animating_) {
            return;
        }
        animating_ = true;
        framesStart_ = std::chrono::steady_clock::now();
        framesShown_ = 0;
        scheduleNextFrame();
        return;
    }
    frameTimer_.stop();
    animating_ = false;
    time_ = 0;
    show(0);
}

void MenuGlyphAnimator::advanceFrame() {
    time_ += 1.0 / framesPerSecond_;
    if (icon_ && ownWindow_ && ownWindowFrames_.show(time_, playing_, activeIndex_)) {
        return;
    }
    show(time_);
}

void MenuGlyphAnimator::show(double time) {
    if (sink_) {
        sink_(time, playing_, activeIndex_);
    } else if (icon_) {
        icon_->setIcon(MenuGlyph::image(time, playing_, activeIndex_));
    }
}

void MenuGlyphAnimator::scheduleNextFrame() {
    if (!animating_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto frame = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / framesPerSecond_));
    ++framesShown_;
    auto deadline = framesStart_ + frame * framesShown_;
    if (deadline + frame < now) {
        // Far behind (the process was stopped): start counting afresh rather than catch up.
        framesStart_ = now;
        framesShown_ = 1;
        deadline = now + frame;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    frameTimer_.start(std::max(wait, std::chrono::milliseconds(0)));
}

}  // namespace quilvo::ui
