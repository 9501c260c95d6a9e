#pragma once

#include <QMenu>
#include <array>
#include <cstdint>
#include <optional>

#include "player/player_model.hpp"
#include "ui/model_follower.hpp"

class QAction;
class QActionGroup;

namespace quilvo::ui {

// The tray icon's menu, a control surface of its own: on desktops whose tray opens the menu
// on a left click it is all the listener sees at first. The same menu serves an XEmbed icon
// and, exported over D-Bus, a StatusNotifierItem host, so its items are built once and only
// their texts and states follow the model.
class TrayMenu : public QMenu {
    Q_OBJECT

  public:
    explicit TrayMenu(PlayerModel& model, QWidget* parent = nullptr);

    // Brings every item in line with the model.
    void refresh();

  signals:
    void openPanelRequested();
    void aboutRequested();
    void quitRequested();

  private:
    PlayerModel& model_;
    std::optional<ModelFollower> follower_;

    QAction* nowPlaying_ = nullptr;
    QAction* nowPlayingGap_ = nullptr;
    std::array<QAction*, 4> moods_{};
    QAction* toggle_ = nullptr;
    QAction* next_ = nullptr;
    QMenu* sleep_ = nullptr;
    std::array<QAction*, 4> sleepItems_{};
};

}  // namespace quilvo::ui
