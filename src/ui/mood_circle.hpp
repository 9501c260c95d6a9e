#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>
#include <functional>

#include "catalogue/mood.hpp"

namespace quilvo::ui {

class ReduceMotion;

// A round mood button: a disc in the mood's colour with its figure, a pulse on click.
// The widget is the 72-point hit circle's square; the 64-point frame sits centred in it.
class MoodCircle : public QAbstractButton {
    Q_OBJECT

  public:
    static constexpr int kFrameSize = 64;
    static constexpr int kHitDiameter = 72;
    static constexpr int kDiscDiameter = 50;
    static constexpr int kGlyphSize = 30;
    static constexpr int kPulseResetMs = 900;
    static constexpr int kPulseDurationMs = 850;

    MoodCircle(Mood mood, const ReduceMotion& reduceMotion, std::function<void()> action,
               QWidget* parent = nullptr);
    ~MoodCircle() override;

    Mood mood() const { return mood_; }
    bool isActive() const { return active_; }
    void setActive(bool active);
    bool isPulsing() const { return pulsing_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Checked follows the model through setActive, never a click.
    void nextCheckState() override {}

  private:
    void fire();
    void startPulse();
    void endPulse();
    void popCursor();

    Mood mood_;
    const ReduceMotion& reduceMotion_;
    std::function<void()> action_;
    bool active_ = false;
    bool pulsing_ = false;
    double progress_ = 0;
    bool cursorPushed_ = false;
    QVariantAnimation pulse_;
};

}  // namespace quilvo::ui
