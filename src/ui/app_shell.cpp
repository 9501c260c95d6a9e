#include "ui/app_shell.hpp"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSessionManager>
#include <QStyleHints>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <utility>

#include "quilvo_version.hpp"
#include "ui/about_view.hpp"
#include "ui/menu_glyph.hpp"
#include "ui/popover_view.hpp"
#include "ui/popup_panel.hpp"
#include "ui/reduce_motion.hpp"
#include "ui/status_notifier_tray.hpp"

namespace quilvo::ui {
namespace {

constexpr int kTrayPollMs = 250;
constexpr double kHintDelay = 1.0;
constexpr double kHintClearDelay = 3.5;
constexpr double kVolumeStep = 0.05;
constexpr double kVolumeTextShown = 1.5;
// What Qt counts for one notch of a mouse wheel.
constexpr int kWheelNotch = 120;
constexpr QSize kAboutSize(300, 330);
const QString kAboutTitle = QStringLiteral("关于 Quilvo");
// A frame on a StatusNotifierItem is a bus signal and a redraw in the desktop shell.
constexpr int kOwnWindowFrames = 15;
constexpr int kShellDrawnFrames = 5;

// Only a desktop that needs an extension for a tray is told about it.
std::string trayWaitingMessage() {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    const bool gnome =
        desktops != nullptr && QString::fromUtf8(desktops)
                                   .split(QLatin1Char(':'))
                                   .contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
    return gnome ? "quilvo: 等待系统托盘出现（GNOME 需要 AppIndicator 扩展）"
                 : "quilvo: 等待系统托盘出现";
}

}  // namespace

AppShell::AppShell(ShellContext context, const ReduceMotion& reduceMotion)
    : context_(std::move(context)),
      model_(context_.model),
      reduceMotion_(reduceMotion),
      menu_(context_.model) {}

AppShell::~AppShell() {
    context_.notifications.removeObserver(aboutObserver_);
    context_.notifications.removeObserver(stateObserver_);
}

void AppShell::start() {
    // Only the quit controls end the program, never closing the About window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(&menu_, &TrayMenu::openPanelRequested, this, &AppShell::openPanel);
    connect(&menu_, &TrayMenu::aboutRequested, this, &AppShell::showAbout);
    connect(&menu_, &TrayMenu::quitRequested, this, &AppShell::quitApp);
    statusNotifier_ = std::make_unique<StatusNotifierTray>(menu_);
    connect(statusNotifier_.get(), &StatusNotifierTray::activated, this, [this](QPoint at) {
        // Hosts that do not know where the icon is send (0, 0).
        if (!at.isNull()) {
            iconAt_ = at;
        }
        activate();
    });
    // The middle click, as tray players have it.
    connect(statusNotifier_.get(), &StatusNotifierTray::secondaryActivated, this,
            [this] { model_.toggle(); });
    connect(statusNotifier_.get(), &StatusNotifierTray::scrolled, this, &AppShell::stepVolume);
    connect(statusNotifier_.get(), &StatusNotifierTray::contextMenuRequested, this,
            [this](QPoint at) {
                if (panel_ && panel_->isVisible()) {
                    panel_->hide();
                }
                menu_.popup(at);
            });
    // A host opens the menu on a click on the icon: the pointer is there now.
    connect(statusNotifier_.get(), &StatusNotifierTray::menuOpened, this,
            [this] { iconAt_ = QCursor::pos(); });
    glyph_.setFramesPerSecond(kShellDrawnFrames);
    glyph_.setFrameSink([this](double time, bool playing, std::optional<int> activeIndex) {
        statusNotifier_->showFrame(time, playing, activeIndex);
    });
    glyph_.update(false, std::nullopt);
    showTrayWhenAvailable();

    panel_ = std::make_unique<PopupPanel>([this] {
        auto* popover = new PopoverView(model_, context_.notifications, reduceMotion_);
        connect(popover, &PopoverView::quitRequested, this, &AppShell::quitApp);
        popover->setNote(volumeNote_);
        popover_ = popover;
        return popover;
    });

    context_.startPlayer();

    aboutObserver_ = context_.notifications.addObserver(kQuilvoOpenAbout, [this] { showAbout(); });
    stateObserver_ =
        context_.notifications.addObserver(kQuilvoStateChanged, [this] { syncGlyph(); });

    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppShell::shutdown);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &AppShell::commitData);
}

void AppShell::showTrayWhenAvailable() {
    // A tray that starts after us is picked up when it appears.
    if (statusNotifier_->hosted()) {
        // The item is registered with the desktop's watcher and shows the glyph already.
        trayPoll_.stop();
        return;
    }
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        useXembedIcon();
        return;
    }
    if (!trayPoll_.isActive()) {
        std::cerr << trayWaitingMessage() << '\n';
        trayPoll_.setInterval(kTrayPollMs);
        connect(&trayPoll_, &QTimer::timeout, this, &AppShell::showTrayWhenAvailable,
                Qt::UniqueConnection);
        trayPoll_.start();
    }
}

void AppShell::useXembedIcon() {
    trayPoll_.stop();
    // Our item would show a second icon in a tray that hosts both kinds.
    glyph_.setFrameSink(nullptr);
    statusNotifier_.reset();
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setToolTip(QStringLiteral("Quilvo"));
    connect(tray_.get(), &QSystemTrayIcon::activated, this, &AppShell::onActivated);
    // Qt's icon window hands its wheel events to the icon and does nothing with them.
    tray_->installEventFilter(this);
    glyph_.setFramesPerSecond(kOwnWindowFrames);
    glyph_.setOwnWindow(true);
    glyph_.setTrayIcon(tray_.get());
    glyph_.redraw();
    tray_->show();
}

void AppShell::onActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::DoubleClick:
            activate();
            break;
        case QSystemTrayIcon::MiddleClick:
            model_.toggle();
            break;
        case QSystemTrayIcon::Context:
            showContextMenu();
            break;
        default:
            break;
    }
}

bool AppShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tray_.get() && event->type() == QEvent::Wheel) {
        // A touchpad sends a swipe as many small turns: a step for each notch's worth.
        const int turn = static_cast<QWheelEvent*>(event)->angleDelta().y();
        wheelTurned_ = (wheelTurned_ > 0) == (turn > 0) ? wheelTurned_ + turn : turn;
        if (std::abs(wheelTurned_) >= kWheelNotch) {
            stepVolume(wheelTurned_);
            wheelTurned_ = 0;
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void AppShell::stepVolume(int delta) {
    if (delta == 0) {
        return;
    }
    // One step a notch, however the host counts it; up stops at 100 % but never lowers a level
    // the mixer set above it.
    const double level = context_.volume.level();
    const double next = delta > 0 ? std::max(level, std::min(level + kVolumeStep, 1.0))
                                  : std::max(level - kVolumeStep, 0.0);
    context_.volume.setLevel(next);
    // The panel's own note, not the model's message: an offline or error text stays the
    // player's, and shows again once the note is gone.
    showVolumeNote(QStringLiteral("音量 %1%").arg(std::lround(next * 100)));
    const unsigned shown = ++volumeTexts_;
    const QPointer<AppShell> self(this);
    context_.loop.postAfter(Seconds(kVolumeTextShown), [self, shown] {
        if (self && self->volumeTexts_ == shown) {
            self->showVolumeNote({});
        }
    });
}

void AppShell::showVolumeNote(QString text) {
    volumeNote_ = std::move(text);
    if (popover_) {
        popover_->setNote(volumeNote_);
    }
}

QRect AppShell::panelAnchor() const {
    if (tray_ && !tray_->geometry().isEmpty()) {
        return tray_->geometry();
    }
    return QRect(iconAt_.value_or(QCursor::pos()), QSize(1, 1));
}

void AppShell::activate() {
    // Xfce's panel sends two activations for a double click, Qt's XEmbed icon a click and a
    // double click: either way one gesture.
    if (lastActivation_.isValid() &&
        lastActivation_.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        return;
    }
    togglePanel();
    // Counted from when this one was done: the first opening builds the panel, and the second
    // call of a double click may have waited for that.
    lastActivation_.start();
}

void AppShell::togglePanel() {
    if (!panel_) {
        return;
    }
    panel_->toggleUnder(panelAnchor());
    if (panel_->isVisible() && !shownCloseHint_) {
        shownCloseHint_ = true;
        scheduleCloseHint();
    }
}

void AppShell::openPanel() {
    if (!panel_) {
        return;
    }
    if (!panel_->isVisible()) {
        panel_->showUnder(panelAnchor());
    }
    if (!shownCloseHint_) {
        shownCloseHint_ = true;
        scheduleCloseHint();
    }
}

void AppShell::scheduleCloseHint() {
    const QPointer<AppShell> self(this);
    context_.loop.postAfter(Seconds(kHintDelay), [self] {
        if (!self) {
            return;
        }
        self->model_.setStatusText(std::string(kCloseHint));
        self->context_.loop.postAfter(Seconds(kHintClearDelay), [self] {
            if (!self) {
                return;
            }
            const auto phase = self->model_.phase();
            if (phase == PlayerModel::Phase::connecting || phase == PlayerModel::Phase::paused) {
                self->model_.setStatusText("");
            }
        });
    });
}

void AppShell::showContextMenu() {
    if (panel_ && panel_->isVisible()) {
        panel_->hide();
    }
    menu_.popup(QCursor::pos());
}

void AppShell::showAbout() {
    if (!about_) {
        about_ = std::make_unique<AboutView>(kAppVersion);
        about_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowCloseButtonHint);
        about_->setWindowTitle(kAboutTitle);
        // Wider CJK line spacing can need more than the nominal height; never cut the notes.
        const int needed =
            std::max(about_->sizeHint().height(), about_->heightForWidth(kAboutSize.width()));
        about_->setFixedSize(kAboutSize.width(), std::max(kAboutSize.height(), needed));
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            about_->move(screen->availableGeometry().center() - about_->rect().center());
        }
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

QWidget* AppShell::aboutWindow() const {
    return about_.get();
}

void AppShell::syncGlyph() {
    const auto phase = model_.phase();
    const bool playing =
        phase == PlayerModel::Phase::playing || phase == PlayerModel::Phase::connecting;
    const auto& mood = model_.currentMood();
    glyph_.update(playing && !reduceMotion_.isOn(),
                  mood ? std::optional<int>(mood->index()) : std::nullopt);
}

void AppShell::quitApp() {
    shutdown();
    QCoreApplication::quit();
}

void AppShell::shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    context_.shutdownPlayer();
}

void AppShell::commitData(QSessionManager& manager) {
    // The autostart entry starts us at login; a restored copy would be a second instance.
    manager.setRestartHint(QSessionManager::RestartNever);
}

}  // namespace quilvo::ui
