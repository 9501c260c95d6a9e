#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/listener_volume.hpp"
#include "player/notification_center.hpp"
#include "player/player_model.hpp"
#include "ui/menu_glyph_animator.hpp"
#include "ui/tray_menu.hpp"

class QSessionManager;

namespace quilvo::ui {

class AboutView;
class PopoverView;
class PopupPanel;
class ReduceMotion;
class StatusNotifierTray;

inline constexpr std::string_view kCloseHint = "关闭面板后音乐继续播放";

// What the shell drives. Everything in it outlives the shell.
struct ShellContext {
    PlayerModel& model;
    EventLoop& loop;
    NotificationCenter& notifications;
    // The listener's level, which the wheel over the icon changes.
    ListenerVolume& volume;
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

    // What the tray icon's activation does: opens or closes the panel. Activations closer
    // together than a double click count as one.
    void activate();
    void togglePanel();
    void openPanel();
    void showContextMenu();
    // The wheel over the icon: one 5 % step of the listener's level, up for a positive delta,
    // shown for a moment on the panel's text line.
    void stepVolume(int delta);
    void showAbout();
    void quitApp();
    // Shuts the player down; later calls do nothing.
    void shutdown();

    // Qt's icon on an XEmbed tray; absent until one is found, and where the desktop shows our
    // StatusNotifierItem instead.
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }
    StatusNotifierTray* statusNotifier() const { return statusNotifier_.get(); }
    const MenuGlyphAnimator& glyph() const { return glyph_; }
    PopupPanel* panel() const { return panel_.get(); }
    TrayMenu& contextMenu() { return menu_; }
    QWidget* aboutWindow() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showTrayWhenAvailable();
    void useXembedIcon();
    QRect panelAnchor() const;
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void scheduleCloseHint();
    // In the panel's text line now and in a panel made later; empty takes it away.
    void showVolumeNote(QString text);
    void syncGlyph();
    void commitData(QSessionManager& manager);

    ShellContext context_;
    PlayerModel& model_;
    const ReduceMotion& reduceMotion_;
    // Ours is offered first; Qt's XEmbed icon only where no desktop shell shows items.
    std::unique_ptr<StatusNotifierTray> statusNotifier_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QTimer trayPoll_;
    // Where the icon was last seen clicked, for a panel opened from elsewhere.
    std::optional<QPoint> iconAt_;
    QElapsedTimer lastActivation_;
    MenuGlyphAnimator glyph_;
    std::unique_ptr<PopupPanel> panel_;
    QPointer<PopoverView> popover_;
    TrayMenu menu_;
    std::unique_ptr<AboutView> about_;
    bool shownCloseHint_ = false;
    // Counts the volume texts shown, so that only the last one's timer clears it.
    unsigned volumeTexts_ = 0;
    QString volumeNote_;
    // The wheel's turn on the XEmbed icon since its last step.
    int wheelTurned_ = 0;
    bool shutDown_ = false;
    NotificationCenter::Token aboutObserver_ = 0;
    NotificationCenter::Token stateObserver_ = 0;
};

}  // namespace quilvo::ui
