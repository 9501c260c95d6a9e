#include "ui/popover_view.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "golden.hpp"
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

// The panel in each state a listener sees, against its reviewed picture: mood circles and
// labels, the shared line (slogan, song, message, cut-off song), the transport's symbols and
// colours, the sleep label.
TEST_F(PopoverTest, EveryStateLooksAsReviewed) {
    reduceMotion.setOn(true);
    const auto shot = [&](const char* name) {
        settle();
        testing::expectGolden(name, view->grab().toImage());
    };
    EXPECT_EQ(view->width(), 330);
    shot("popover-fresh");
    model->playMood(Mood::calm);
    shot("popover-connecting-calm");
    EXPECT_EQ(playPause().toolTip(), QStringLiteral("播放"));
    EXPECT_EQ(next().toolTip(), QStringLiteral("换台"));
    playConnected(Mood::bright);
    deliverTitle("<img src=x><b>bold</b>");
    EXPECT_EQ(line().shownText(), QStringLiteral("<img src=x><b>bold</b>"));
    EXPECT_EQ(playPause().toolTip(), QStringLiteral("暂停"));
    EXPECT_EQ(playPause().accessibleName(), QStringLiteral("暂停"));
    shot("popover-playing-title");
    model->setStatusText("关闭面板后音乐继续播放");
    sleepMenu().menu()->actions()[2]->trigger();
    shot("popover-message-sleep-set");
    model->setStatusText("");
    settle();
    EXPECT_EQ(line().text(), QStringLiteral("<img src=x><b>bold</b>"));
    deliverTitle(std::string(150, 'W'));
    EXPECT_TRUE(line().shownText().endsWith(QChar(0x2026)));
    shot("popover-long-title");
    model->toggle();
    shot("popover-paused");
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
    QStringList titles;
    for (QAction* action : sleepMenu().menu()->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles.join(u'|'),
              QStringLiteral("关闭定时|15 分钟后停止|30 分钟后停止|60 分钟后停止"));
    sleepMenu().menu()->actions()[2]->trigger();
    settle();
    EXPECT_EQ(model->sleepRemainText(), "还剩 30 分钟");
    EXPECT_EQ(sleepMenu().label(), QStringLiteral("还剩 30 分钟"));
    sleepMenu().menu()->actions()[0]->trigger();
    settle();
    EXPECT_FALSE(model->sleepActive());
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
