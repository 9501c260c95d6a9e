#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "player/notification_center.hpp"
#include "player/player_model.hpp"
#include "ui/model_follower.hpp"

class QLabel;

namespace quilvo::ui {

class Announcer;
class MoodCircle;
class OneLineText;
class ReduceMotion;
class SleepMenuButton;
class SymbolButton;
class TextButton;

// The panel's content: mood buttons, the text line, play/pause and next, and the footer with
// the sleep menu, the credit line and quit. It is rebuilt from the model after every change the
// model announces; only a passing note is its own.
class PopoverView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 330;

    PopoverView(PlayerModel& model, NotificationCenter& notifications,
                const ReduceMotion& reduceMotion, QWidget* parent = nullptr);

    // Redraws every control from the model.
    void refresh();
    // Shows `text` in the text line over the model's message until an empty note takes it away.
    void setNote(QString text);

  signals:
    void quitRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildMoodRow();
    void buildTransport();
    void buildFooter();
    void chooseMood(Mood mood);
    // Tells a screen reader of a new phase, station, message or song.
    void announceChanges();
    // Space and the arrows act on the player wherever the focus is inside the panel.
    bool handlePlayerKey(const QKeyEvent& event);
    // Tab reaches every control; Return or Enter works the focused one.
    void makeReachable(QWidget* control);

    PlayerModel& model_;
    NotificationCenter& notifications_;
    const ReduceMotion& reduceMotion_;
    std::optional<ModelFollower> follower_;

    Announcer* announcer_ = nullptr;
    PlayerModel::Phase heardPhase_ = PlayerModel::Phase::idle;
    std::string heardStation_;
    std::string heardStatus_;
    std::optional<std::string> heardSong_;
    QString note_;

    std::array<MoodCircle*, 4> circles_{};
    std::array<QLabel*, 4> moodLabels_{};
    OneLineText* sharedLine_ = nullptr;
    SymbolButton* playPause_ = nullptr;
    SymbolButton* next_ = nullptr;
    QWidget* footer_ = nullptr;
    SleepMenuButton* sleepMenu_ = nullptr;
    TextButton* credit_ = nullptr;
    SymbolButton* quit_ = nullptr;
};

}  // namespace quilvo::ui
