#include "ui/popover_view.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "player/player_fixture.hpp"
#include "ui/mood_circle.hpp"
#include "ui/one_line_text.hpp"
#include "ui/palette_colors.hpp"
#include "ui/reduce_motion.hpp"
#include "ui/sleep_menu_button.hpp"
#include "ui/symbol_button.hpp"
#include "ui/text_button.hpp"

namespace quilvo::ui {
namespace {

class PopoverTest : public quilvo::testing::PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        view = std::make_unique<PopoverView>(*model, notifications, reduceMotion);
    }
    void TearDown() override { view.reset(); }

    // The view redraws on the next turn of the event loop after the model changes.
    void settle() { QCoreApplication::processEvents(); }

    template <typename T>
    T& child(const QString& name) {
        T* found = view->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return *found;
    }
    MoodCircle& circle(Mood mood) {
        return child<MoodCircle>(QStringLiteral("mood-") + QString::fromUtf8(mood.id().data()));
    }
    QString moodLabel(Mood mood) {
        return child<QLabel>(QStringLiteral("mood-label-") + QString::fromUtf8(mood.id().data()))
            .text();
    }
    OneLineText& line() { return child<OneLineText>(QStringLiteral("sharedLine")); }
    SymbolButton& playPause() { return child<SymbolButton>(QStringLiteral("playPause")); }
    SymbolButton& next() { return child<SymbolButton>(QStringLiteral("next")); }
    SleepMenuButton& sleepMenu() { return child<SleepMenuButton>(QStringLiteral("sleepMenu")); }

    void click(QAbstractButton& button) {
        settle();
        QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
        settle();
    }
    void key(Qt::Key k) {
        QTest::keyClick(view.get(), k);
        settle();
    }
    void deliverTitle(const std::string& title) {
        player()->deliverMetadata(std::vector<MetadataItem>{{title, std::string(kCommonKeyTitle)}});
        loop.runUntilIdle();
        settle();
    }

    ReduceMotion reduceMotion;
    std::unique_ptr<PopoverView> view;
};

TEST_F(PopoverTest, FreshModelShowsSloganAndQuietControls) {
    EXPECT_EQ(view->width(), 330);
    for (const Mood mood : Mood::allCases()) {
        EXPECT_FALSE(circle(mood).isActive());
        EXPECT_EQ(moodLabel(mood), QStringLiteral(" "));
    }
    EXPECT_EQ(line().text(), QStringLiteral("不推荐，只相遇。"));
    EXPECT_EQ(line().font().pixelSize(), 12);
    EXPECT_EQ(line().color(), secondaryColor(*view));
    EXPECT_EQ(playPause().symbol(), Symbol::play);
    EXPECT_EQ(playPause().toolTip(), QStringLiteral("播放"));
    EXPECT_EQ(playPause().accessibleName(), QStringLiteral("播放"));
    EXPECT_EQ(playPause().symbolColor(), primaryColor(*view));
    EXPECT_EQ(playPause().discColor(), primaryColor(*view, 0.07));
    EXPECT_FALSE(next().isEnabled());
    EXPECT_EQ(next().symbolColor(), primaryColor(*view, 0.22));
    EXPECT_EQ(next().toolTip(), QStringLiteral("换台"));
    EXPECT_FALSE(sleepMenu().isActiveLook());
    EXPECT_EQ(sleepMenu().label(), QStringLiteral("定时"));
    EXPECT_EQ(sleepMenu().color(), primaryColor(*view, 0.4));
}

TEST_F(PopoverTest, ChoosingAMoodConnectsInItsColours) {
    click(circle(Mood::calm));
    EXPECT_EQ(model->currentMood(), Mood::calm);
    EXPECT_EQ(phase(), "connecting");
    EXPECT_TRUE(circle(Mood::calm).isActive());
    EXPECT_FALSE(circle(Mood::bright).isActive());
    EXPECT_EQ(moodLabel(Mood::calm), QStringLiteral("安定专注"));
    EXPECT_EQ(moodLabel(Mood::bright), QStringLiteral(" "));
    // Connecting still offers play.
    EXPECT_EQ(playPause().symbol(), Symbol::play);
    EXPECT_EQ(playPause().toolTip(), QStringLiteral("播放"));
    EXPECT_EQ(playPause().symbolColor(), tintColor(Mood::calm));
    EXPECT_EQ(playPause().discColor(), tintColor(Mood::calm, 0.14));
    EXPECT_TRUE(next().isEnabled());
    EXPECT_EQ(next().symbolColor(), primaryColor(*view));
    EXPECT_EQ(line().text(), QStringLiteral(" "));
    EXPECT_EQ(line().color(), primaryColor(*view, 0.45));
}

TEST_F(PopoverTest, PlayingShowsPauseAndTheSongAsPlainTextOnOneLineUnlessAMessageCovers) {
    playConnected(Mood::bright);
    deliverTitle("<img src=x><b>bold</b>");
    EXPECT_EQ(playPause().symbol(), Symbol::pause);
    EXPECT_EQ(playPause().toolTip(), QStringLiteral("暂停"));
    EXPECT_EQ(playPause().accessibleName(), QStringLiteral("暂停"));
    EXPECT_EQ(line().text(), QStringLiteral("<img src=x><b>bold</b>"));
    EXPECT_EQ(line().shownText(), QStringLiteral("<img src=x><b>bold</b>"));
    EXPECT_EQ(line().font().pixelSize(), 11);
    model->setStatusText("关闭面板后音乐继续播放");
    settle();
    EXPECT_EQ(line().text(), QStringLiteral("关闭面板后音乐继续播放"));
    EXPECT_EQ(line().color(), warningOrange());
    model->setStatusText("");
    settle();
    EXPECT_EQ(line().text(), QStringLiteral("<img src=x><b>bold</b>"));
    deliverTitle(std::string(150, 'W'));
    EXPECT_EQ(line().text(), QString(150, u'W'));
    EXPECT_EQ(view->width(), 330);
    EXPECT_TRUE(line().shownText().endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetrics(line().font()).horizontalAdvance(line().shownText()), line().width());
}

TEST_F(PopoverTest, MoodAgainButtonsAndKeysToggleAndSwitchStation) {
    click(next());
    key(Qt::Key_Right);
    key(Qt::Key_Left);
    EXPECT_FALSE(model->currentStation().has_value());
    key(Qt::Key_Space);  // nothing to resume: a mood at random
    EXPECT_TRUE(model->currentMood().has_value());
    playConnected(Mood::calm);
    const std::function<void()> switches[] = {[&] { click(circle(Mood::calm)); },
                                              [&] { click(next()); }, [&] { key(Qt::Key_Right); },
                                              [&] { key(Qt::Key_Left); }};
    for (const auto& action : switches) {
        const std::string before = station();
        action();
        EXPECT_EQ(model->currentMood(), Mood::calm);
        EXPECT_NE(station(), before);
    }
    connect();
    click(playPause());
    EXPECT_EQ(phase(), "paused");
    EXPECT_EQ(playPause().symbol(), Symbol::play);
    key(Qt::Key_Space);
    EXPECT_EQ(phase(), "connecting");
    click(circle(Mood::bright));
    EXPECT_EQ(model->currentMood(), Mood::bright);
}

TEST_F(PopoverTest, SleepMenuSetsAndClearsTheTimer) {
    QMenu* menu = sleepMenu().menu();
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (QAction* action : menu->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("关闭定时"), QStringLiteral("15 分钟后停止"),
                           QStringLiteral("30 分钟后停止"), QStringLiteral("60 分钟后停止")}));
    playConnected(Mood::sleep);
    menu->actions()[2]->trigger();
    settle();
    EXPECT_TRUE(model->sleepActive());
    EXPECT_TRUE(sleepMenu().isActiveLook());
    EXPECT_EQ(sleepMenu().label(), QString::fromStdString(*model->sleepRemainText()));
    EXPECT_EQ(sleepMenu().color(), warningOrange());
    menu->actions()[0]->trigger();
    settle();
    EXPECT_FALSE(model->sleepActive());
    EXPECT_FALSE(sleepMenu().isActiveLook());
    EXPECT_EQ(sleepMenu().label(), QStringLiteral("定时"));
}

TEST_F(PopoverTest, CreditOpensAboutAndPowerAsksToQuit) {
    int aboutRequests = 0;
    notifications.addObserver(kQuilvoOpenAbout, [&] { ++aboutRequests; });
    QSignalSpy quits(view.get(), &PopoverView::quitRequested);
    auto& credit = child<TextButton>(QStringLiteral("credit"));
    auto& quit = child<SymbolButton>(QStringLiteral("quit"));
    EXPECT_EQ(credit.toolTip(), QStringLiteral("关于 Quilvo"));
    EXPECT_EQ(quit.toolTip(), QStringLiteral("退出 Quilvo"));
    click(credit);
    EXPECT_EQ(aboutRequests, 1);
    EXPECT_EQ(quits.count(), 0);
    click(quit);
    EXPECT_EQ(quits.count(), 1);
}

}  // namespace
}  // namespace quilvo::ui
