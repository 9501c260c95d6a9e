#include "ui/tray_menu.hpp"

#include <QActionGroup>

namespace quilvo::ui {
namespace {

constexpr std::array<std::int64_t, 4> kSleepMinutes{0, 15, 30, 60};

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Station names and song titles are data, never mnemonic marks.
QString literal(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString sleepTitle(std::int64_t minutes) {
    return minutes == 0 ? QStringLiteral("关闭定时") : QStringLiteral("%1 分钟后停止").arg(minutes);
}

}  // namespace

TrayMenu::TrayMenu(PlayerModel& model, QWidget* parent) : QMenu(parent), model_(model) {
    nowPlaying_ = addAction(QString());
    nowPlaying_->setEnabled(false);
    nowPlayingGap_ = addSeparator();

    auto* moodGroup = new QActionGroup(this);
    moodGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const auto moods = Mood::allCases();
    for (std::size_t i = 0; i < moods.size(); ++i) {
        const Mood mood = moods[i];
        QAction* item =
            addAction(fromUtf8(mood.displayName()) + QStringLiteral(" · ") + fromUtf8(mood.feel()));
        item->setCheckable(true);
        moodGroup->addAction(item);
        // The current mood chosen again means another station of it, as in the panel.
        connect(item, &QAction::triggered, this, [this, mood] {
            if (model_.currentMood() == mood) {
                model_.shuffleStation();
            } else {
                model_.playMood(mood);
            }
            refresh();
        });
        moods_[i] = item;
    }
    addSeparator();

    toggle_ = addAction(QString(), this, [this] { model_.toggle(); });
    next_ = addAction(QStringLiteral("换台"), this, [this] { model_.shuffleStation(); });
    sleep_ = addMenu(QString());
    auto* sleepGroup = new QActionGroup(this);
    for (std::size_t i = 0; i < kSleepMinutes.size(); ++i) {
        const std::int64_t minutes = kSleepMinutes[i];
        QAction* item = sleep_->addAction(sleepTitle(minutes));
        item->setCheckable(true);
        sleepGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, minutes] {
            model_.setSleep(minutes);
            refresh();
        });
        sleepItems_[i] = item;
    }
    addSeparator();

    addAction(QStringLiteral("打开面板"), this, &TrayMenu::openPanelRequested);
    addAction(QStringLiteral("关于 Quilvo"), this, &TrayMenu::aboutRequested);
    addSeparator();
    addAction(QStringLiteral("退出 Quilvo"), this, &TrayMenu::quitRequested);

    refresh();
    follower_.emplace(model_, this, [this] { refresh(); });
}

void TrayMenu::refresh() {
    const auto phase = model_.phase();
    const auto& station = model_.currentStation();
    const bool heard =
        station && (phase == PlayerModel::Phase::playing || phase == PlayerModel::Phase::paused);
    if (heard) {
        QString line = QString::fromStdString(station->name);
        if (const auto& song = model_.songText()) {
            line += QStringLiteral(" · ") + QString::fromStdString(*song);
        }
        nowPlaying_->setText(literal(line));
    }
    nowPlaying_->setVisible(heard);
    nowPlayingGap_->setVisible(heard);

    const auto& mood = model_.currentMood();
    const auto moods = Mood::allCases();
    for (std::size_t i = 0; i < moods.size(); ++i) {
        moods_[i]->setChecked(mood == moods[i]);
    }
    const bool sounding =
        phase == PlayerModel::Phase::playing || phase == PlayerModel::Phase::connecting;
    toggle_->setText(sounding ? QStringLiteral("暂停") : QStringLiteral("播放"));
    next_->setEnabled(mood.has_value());

    const auto& remain = model_.sleepRemainText();
    sleep_->setTitle(remain ? QString::fromStdString(*remain) : QStringLiteral("定时"));
    for (std::size_t i = 0; i < kSleepMinutes.size(); ++i) {
        sleepItems_[i]->setChecked(model_.sleepMinutes() == kSleepMinutes[i]);
    }
}

}  // namespace quilvo::ui
