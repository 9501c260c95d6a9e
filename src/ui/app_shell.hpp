#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <string_view>

#include "player/notification_center.hpp"
#include "player/player_model.hpp"
#include "ui/menu_glyph_animator.hpp"
#include "ui/tray_kind.hpp"
#include "ui/tray_menu.hpp"

class QSessionManager;

namespace quilvo::ui {

class AboutView;
class PopupPanel;
class ReduceMotion;

inline constexpr std::string_view kCloseHint = "关闭面板后音乐继续播放";

// What the shell drives. Everything in it outlives the shell.
struct ShellContext {
    PlayerModel& model;
    EventLoop& loop;
    NotificationCenter& notifications;
    // Media keys, then the output-device watcher, then the "app_open" event.
    std::function<void()> startPlayer;
    // Stops the player and asks statistics to send what waits.
    std::function<void()> shutdownPlayer;
};

// The tray application: the tray icon with its glyph, the panel, the tray menu and the About
// window over the one model, which it shuts down once when the application ends.
class AppShell : public QObject {
    Q_OBJECT

  public:
    AppShell(ShellContext context, const ReduceMotion& reduceMotion);
    ~AppShell() override;

    // Launch: icon, panel, the player's start, then the two notifications observed.
    void start();

    // What the tray icon's activation does: opens or closes the panel.
    void togglePanel();
    void openPanel();
    void showContextMenu();
    void showAbout();
    void quitApp();
    // Shuts the player down; later calls do nothing.
    void shutdown();

    QSystemTrayIcon& trayIcon() { return tray_; }
    const MenuGlyphAnimator& glyph() const { return glyph_; }
    PopupPanel* panel() const { return panel_.get(); }
    TrayMenu& contextMenu() { return menu_; }
    QWidget* aboutWindow() const;

  private:
    void showTrayWhenAvailable();
    QRect panelAnchor() const;
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void scheduleCloseHint();
    void syncGlyph();
    void commitData(QSessionManager& manager);

    ShellContext context_;
    PlayerModel& model_;
    const ReduceMotion& reduceMotion_;
    // Known before the icon exists: creating it is what settles the kind.
    TrayKind trayKind_;
    QSystemTrayIcon tray_;
    QTimer trayPoll_;
    MenuGlyphAnimator glyph_;
    std::unique_ptr<PopupPanel> panel_;
    TrayMenu menu_;
    std::unique_ptr<AboutView> about_;
    bool shownCloseHint_ = false;
    bool shutDown_ = false;
    NotificationCenter::Token aboutObserver_ = 0;
    NotificationCenter::Token stateObserver_ = 0;
};

}  // namespace quilvo::ui
