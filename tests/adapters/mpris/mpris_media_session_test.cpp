#include "adapters/mpris/mpris_media_session.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QProcess>
#include <memory>
#include <string>
#include <vector>

#include "qt_test_support.hpp"
#include "support/dbus_session.hpp"

namespace quilvo {
namespace {

using namespace std::chrono_literals;
using testing::callMpris;
using testing::mprisProperties;
using testing::pumpFor;
using testing::pumpUntil;
using testing::runServingBus;

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.quilvo");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

class QtApplication : public ::testing::Environment {
  public:
    void SetUp() override { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[12] = "mpris_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] const auto* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

// The model's side: records which remote commands arrived.
class MprisMediaSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.start());
        session_ = std::make_unique<MprisMediaSession>([this] { ++quits_; });
        session_->registerRemoteCommands({
            .togglePlayPause = [this] { commands_.push_back("toggle"); },
            .play = [this] { commands_.push_back("play"); },
            .pause = [this] { commands_.push_back("pause"); },
            .nextTrack = [this] { commands_.push_back("next"); },
        });
    }

    QString playerctl(const QStringList& arguments) {
        return runServingBus(QStringLiteral("playerctl"), QStringList{"-p", "quilvo"} + arguments)
            .output;
    }

    testing::DbusSession bus_{testing::DbusSession::Socket::sharedByThisProcess};
    std::unique_ptr<MprisMediaSession> session_;
    std::vector<std::string> commands_;
    int quits_ = 0;
};

TEST_F(MprisMediaSessionTest, PublishesNowPlayingAndPlaybackStatus) {
    session_->setNowPlaying(NowPlaying{"Song A", "静", 1.0});
    EXPECT_EQ(playerctl({"metadata", "--format", "{{title}}|{{artist}}"}), "Song A|静");
    EXPECT_EQ(playerctl({"status"}), "Playing");

    session_->setNowPlaying(NowPlaying{"Song A", "静", 0.0});
    EXPECT_EQ(playerctl({"status"}), "Paused");
    EXPECT_EQ(playerctl({"metadata", "--format", "{{title}}|{{artist}}"}), "Song A|静");

    session_->setNowPlaying(NowPlaying{"", "燃", 1.0});
    EXPECT_EQ(playerctl({"metadata", "--format", "{{title}}|{{artist}}"}), "Quilvo|燃");

    session_->setNowPlaying(std::nullopt);
    EXPECT_EQ(playerctl({"status"}), "Stopped");
    EXPECT_TRUE(mprisProperties(kService, kPlayer).value("Metadata").toMap().isEmpty());
}

TEST_F(MprisMediaSessionTest, TrackIdChangesWithTheSongOnly) {
    const auto trackId = [] {
        return mprisProperties(kService, kPlayer)
            .value("Metadata")
            .toMap()
            .value("mpris:trackid")
            .value<QDBusObjectPath>()
            .path();
    };
    session_->setNowPlaying(NowPlaying{"Song A", "静", 1.0});
    const QString first = trackId();
    ASSERT_FALSE(first.isEmpty());
    EXPECT_FALSE(first.startsWith("/org/mpris"));

    session_->setNowPlaying(NowPlaying{"Song A", "静", 0.0});
    EXPECT_EQ(trackId(), first);

    session_->setNowPlaying(NowPlaying{"Song B", "静", 0.0});
    EXPECT_NE(trackId(), first);
}

TEST_F(MprisMediaSessionTest, RemoteCommandsReachTheModel) {
    session_->setNowPlaying(NowPlaying{"Song A", "静", 1.0});
    for (const char* command : {"play-pause", "play", "pause", "next", "stop", "previous"}) {
        playerctl({command});
    }
    // playerctl refuses previous on its own (CanGoPrevious is false), so ask directly too.
    callMpris(kService, kPlayer, "Previous");
    callMpris(kService, kPlayer, "Seek", {qlonglong{5'000'000}});
    EXPECT_EQ(commands_, (std::vector<std::string>{"toggle", "play", "pause", "next", "pause"}));
}

TEST_F(MprisMediaSessionTest, DescribesALiveStreamPlayer) {
    const QVariantMap root = mprisProperties(kService, kRoot);
    EXPECT_EQ(root.value("Identity").toString(), "Quilvo");
    EXPECT_EQ(root.value("DesktopEntry").toString(), "app.quilvo.Quilvo");
    EXPECT_TRUE(root.value("CanQuit").toBool());
    EXPECT_FALSE(root.value("CanRaise").toBool());
    EXPECT_FALSE(root.value("HasTrackList").toBool());
    EXPECT_TRUE(root.value("SupportedUriSchemes").toStringList().isEmpty());
    EXPECT_TRUE(root.value("SupportedMimeTypes").toStringList().isEmpty());

    const QVariantMap player = mprisProperties(kService, kPlayer);
    EXPECT_FALSE(player.value("CanGoPrevious").toBool());
    EXPECT_FALSE(player.value("CanSeek").toBool());
    for (const char* can : {"CanGoNext", "CanPlay", "CanPause", "CanControl"}) {
        EXPECT_TRUE(player.value(can).toBool()) << can;
    }
    for (const char* rate : {"Rate", "MinimumRate", "MaximumRate"}) {
        EXPECT_EQ(player.value(rate).toDouble(), 1.0) << rate;
    }
    EXPECT_EQ(player.value("Position").toLongLong(), 0);
}

TEST_F(MprisMediaSessionTest, QuitAsksTheApplicationToQuit) {
    callMpris(kService, kRoot, "Quit");
    EXPECT_TRUE(pumpUntil([&] { return quits_ == 1; }));
}

TEST_F(MprisMediaSessionTest, FollowersSeeChangesAsTheyHappen) {
    session_->setNowPlaying(NowPlaying{"Song A", "静", 1.0});
    QProcess follower;
    testing::startChild(follower, "playerctl",
                        {"-p", "quilvo", "--follow", "metadata", "--format", "{{title}}"});
    QByteArray seen;
    const auto sees = [&](const QByteArray& line) {
        return pumpUntil([&] {
            seen += follower.readAllStandardOutput();
            return seen.contains(line + "\n");
        });
    };
    ASSERT_TRUE(sees("Song A")) << seen.toStdString();

    session_->setNowPlaying(NowPlaying{"Song B", "静", 1.0});
    EXPECT_TRUE(sees("Song B")) << seen.toStdString();
}

TEST_F(MprisMediaSessionTest, SecondInstanceLeavesTheNameToTheFirst) {
    MprisMediaSession second([] {});
    session_->setNowPlaying(NowPlaying{"First", "静", 1.0});
    second.setNowPlaying(NowPlaying{"Second", "燃", 1.0});
    const QString instance =
        QStringLiteral("quilvo.instance%1").arg(QCoreApplication::applicationPid());
    const QStringList players = runServingBus("playerctl", {"-l"}).output.split('\n');
    EXPECT_TRUE(players.contains("quilvo"));
    EXPECT_TRUE(players.contains(instance));

    const auto title = [](const QString& service) {
        return mprisProperties(service, kPlayer).value("Metadata").toMap().value("xesam:title");
    };
    EXPECT_EQ(title(kService), "First");
    EXPECT_EQ(title("org.mpris.MediaPlayer2." + instance), "Second");
}

TEST_F(MprisMediaSessionTest, ComesBackWhenTheBusRestarts) {
    session_->setNowPlaying(NowPlaying{"Song A", "静", 1.0});
    bus_.kill();
    pumpFor(200ms);
    session_->setNowPlaying(NowPlaying{"Song B", "静", 0.0});
    ASSERT_TRUE(bus_.start());

    EXPECT_TRUE(pumpUntil([&] { return runServingBus("playerctl", {"-l"}).output == "quilvo"; }));
    EXPECT_EQ(playerctl({"metadata", "--format", "{{title}} {{status}}"}), "Song B Paused");
    playerctl({"next"});
    EXPECT_EQ(commands_, std::vector<std::string>{"next"});
}

TEST(MprisMediaSessionWithoutBus, StaysInertUntilABusAppears) {
    testing::DbusSession bus(testing::DbusSession::Socket::sharedByThisProcess);
    MprisMediaSession session([] {});
    session.setNowPlaying(NowPlaying{"Song A", "静", 1.0});
    session.registerRemoteCommands({});
    pumpFor(300ms);

    ASSERT_TRUE(bus.start());
    EXPECT_TRUE(
        pumpUntil([&] { return runServingBus("playerctl", {"-l"}).output == "quilvo"; }, 20s));
}

}  // namespace
}  // namespace quilvo
