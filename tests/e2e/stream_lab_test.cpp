#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "dying_stream_server.hpp"
#include "stream_lab.hpp"
#include "support/child_process.hpp"
#include "support/icecast_server.hpp"
#include "support/sink_recorder.hpp"
#include "support/url_text.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::function<bool(const CliState&)> playing(const std::string& station) {
    return [station](const CliState& s) { return s.station == station && s.phase == "playing"; };
}

std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

// Stations that reached `connecting` among `states`.
std::set<std::string> stationsTried(const std::vector<CliState>& states) {
    std::set<std::string> tried;
    for (const auto& state : states) {
        if (state.station && state.phase == "connecting") {
            tried.insert(*state.station);
        }
    }
    return tried;
}

using IcecastStationTest = StreamLab;

TEST_F(IcecastStationTest, PlaysAndShowsTheTitlesSetThroughTheAdminInterface) {
    IcecastServer icecast(tone());
    start({{"icecast", icecast.url(), {"calm"}}});
    const auto started = sendAndWait("mood calm", "playing");
    ASSERT_TRUE(started) << cli().transcript();
    EXPECT_EQ(started->station, "icecast");
    const auto startEvent = waitForStat("station_start", "icecast");
    ASSERT_TRUE(startEvent) << cli().transcript();
    EXPECT_EQ(startEvent->event.value("mood", ""), "calm");

    for (const std::string song : {"Live Artist - First Song", "Other Artist - Second Song"}) {
        ASSERT_TRUE(icecast.setTitle(song));
        const auto titled = cli().waitForState([&](const CliState& s) { return s.song == song; });
        ASSERT_TRUE(titled) << cli().transcript();
        EXPECT_EQ(titled->phase, "playing");
        EXPECT_EQ(titled->station, "icecast");
    }
}

// A station that never plays, and how quickly it must be left for the next one.
struct Fault {
    const char* name;
    // Path on the fault stream server; empty for a port where nothing listens.
    const char* path;
    // The stream ends with an error of its own, recorded as "station_failed". Otherwise the
    // station is left by the connect timeout, or by the source's read timeout if that is first.
    bool reportsFailure;
    double minSeconds;
    double maxSeconds;
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

// Eight seconds to connect, checked by a one-second beat, and slack for a loaded machine.
constexpr double kConnectLimit = 10.5;

class FailingStationTest : public StreamLab, public ::testing::WithParamInterface<Fault> {};

TEST_P(FailingStationTest, IsLeftForTheNextStationOfTheMood) {
    const Fault& fault = GetParam();
    const std::string url =
        *fault.path != '\0' ? streams().url(fault.path) : FaultStreamServer::refusedUrl();
    start({{"faulty", url, {"calm"}}, {"good", streams().url("/stream"), {"calm"}}});

    const auto drawn = chooseUntilDrawn("calm", "faulty");
    ASSERT_TRUE(drawn) << cli().transcript();
    EXPECT_EQ(drawn->phase, "connecting");
    const auto next = cli().waitForState([](const CliState& s) { return s.station != "faulty"; },
                                         std::chrono::milliseconds(15s));
    ASSERT_TRUE(next) << cli().transcript();
    EXPECT_EQ(next->station, "good") << cli().transcript();
    const double left = secondsBetween(drawn->received, next->received);
    EXPECT_GE(left, fault.minSeconds);
    EXPECT_LE(left, fault.maxSeconds);
    ASSERT_TRUE(cli().waitForState(playing("good"))) << cli().transcript();

    if (fault.reportsFailure) {
        const auto failed = waitForStat("station_failed", "faulty");
        ASSERT_TRUE(failed) << cli().transcript();
        EXPECT_EQ(failed->event.value("mood", ""), "calm");
    }
    EXPECT_TRUE(waitForStat("station_start", "good"));
    EXPECT_EQ(countStats("station_start", "faulty"), 0u);
    for (const auto& state : cli().states()) {
        EXPECT_FALSE(state.station == "faulty" && state.phase == "playing");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailingStationTest,
    ::testing::Values(Fault{"RefusedConnection", "", true, 0.0, 3.0},
                      Fault{"HttpNotFound", "/404", true, 0.0, 3.0},
                      Fault{"WebPage", "/html", true, 0.0, 3.0},
                      // Type finding gives up on this noise after about 6.5 s.
                      Fault{"BytesThatAreNotAudio", "/garbage", true, 0.0, kConnectLimit},
                      // Not before the source's own five-second read timeout.
                      Fault{"ServerNeverAnswers", "/never", false, 4.0, kConnectLimit},
                      Fault{"HeadersThenSilence", "/silence", false, 4.0, kConnectLimit}),
    [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

using StallTest = StreamLab;

TEST_F(StallTest, AStalledStreamIsReconnectedAndHeardAgainAsTheSameRequest) {
    SinkRecorder sink(pulse());
    // Every connection stalls after three seconds of audio, so a reconnect plays again.
    start({{"stalling", streams().url("/stream?stall=3"), {"calm"}}});
    ASSERT_TRUE(sendAndWait("mood calm", "playing")) << cli().transcript();
    ASSERT_TRUE(waitForStat("station_start", "stalling"));

    const auto reconnecting =
        cli().waitForState([](const CliState& s) { return s.phase != "playing"; });
    ASSERT_TRUE(reconnecting) << cli().transcript();
    EXPECT_EQ(reconnecting->phase, "connecting");
    EXPECT_EQ(reconnecting->station, "stalling");
    const auto again =
        cli().waitForState([](const CliState& s) { return s.phase != "connecting"; });
    ASSERT_TRUE(again) << cli().transcript();
    EXPECT_EQ(again->phase, "playing");
    EXPECT_EQ(again->station, "stalling");
    EXPECT_EQ(again->status, "");
    // Faded in again, not left at the silent volume a new player starts with.
    EXPECT_TRUE(sink.waitForSound(kSound, again->received, kTimeout));

    ASSERT_TRUE(flushStats("sleep"));
    EXPECT_EQ(countStats("station_start", "stalling"), 1u) << cli().transcript();
    EXPECT_EQ(countStats("station_failed", "stalling"), 0u);
}

using DeadStreamTest = StreamLab;

TEST_F(DeadStreamTest, IsReconnectedOneAndThreeSecondsIntoTheStallAndLeftAfterTen) {
    SinkRecorder sink(pulse());
    DyingStreamServer dying(tone(), 3.0);
    start({{"dying", dying.url(), {"calm"}}, {"good", streams().url("/stream"), {"calm"}}});
    ASSERT_TRUE(chooseUntilDrawn("calm", "dying")) << cli().transcript();
    const auto started = cli().waitForState(playing("dying"));
    ASSERT_TRUE(started) << cli().transcript();

    const auto reconnect =
        cli().waitForState([](const CliState& s) { return s.phase != "playing"; });
    ASSERT_TRUE(reconnect) << cli().transcript();
    EXPECT_EQ(reconnect->phase, "connecting");
    EXPECT_EQ(reconnect->station, "dying");
    const auto next = cli().waitForState([](const CliState& s) { return s.station != "dying"; },
                                         std::chrono::milliseconds(20s));
    ASSERT_TRUE(next) << cli().transcript();
    EXPECT_EQ(next->station, "good");
    EXPECT_EQ(next->phase, "connecting");

    // The first listener, then one connection per reconnect. The rules act on one-second beats
    // at 1, 3 and 10 seconds into the stall; a beat that lands a hair before a mark acts one
    // beat later, so each step may come a second late.
    const auto connections = dying.connections();
    ASSERT_EQ(connections.size(), 3u);
    const auto heard = sink.waitForSound(kSound, started->received, 0ms);
    ASSERT_TRUE(heard) << "the station was never heard";
    const auto silent = sink.waitForQuiet(kSound, 300ms, *heard, 0ms);
    ASSERT_TRUE(silent) << "the station never fell silent";
    EXPECT_NEAR(secondsBetween(reconnect->received, connections[1]), 0.0, 0.5);
    const double firstReconnect = secondsBetween(*silent, connections[1]);
    EXPECT_GE(firstReconnect, 1.0);
    EXPECT_LE(firstReconnect, 4.0);
    const double secondReconnect = secondsBetween(connections[1], connections[2]);
    EXPECT_GE(secondReconnect, 0.8);
    EXPECT_LE(secondReconnect, 3.5);
    // From the second reconnect (3 or 4 s into the stall) to the failover (10 or 11 s).
    const double failover = secondsBetween(connections[2], next->received);
    EXPECT_GE(failover, 5.5);
    EXPECT_LE(failover, 8.5);

    ASSERT_TRUE(cli().waitForState(playing("good"))) << cli().transcript();
    // A stall that outlasts its window is no failure of the stream itself.
    ASSERT_TRUE(flushStats("sleep"));
    EXPECT_EQ(countStats("station_failed", "dying"), 0u) << cli().transcript();
}

using GiveUpTest = StreamLab;

TEST_F(GiveUpTest, ARequestTriesItsStationAndAtMostThreeMoreBeforeGivingUp) {
    std::vector<TestStation> stations;
    for (int i = 1; i <= 6; ++i) {
        stations.push_back(
            {"dead-" + std::to_string(i), FaultStreamServer::refusedUrl(), {"energy"}});
    }
    start(stations);
    const auto giveUp = [](const CliState& s) { return s.status == kGiveUpText; };

    cli().send("mood energy");
    const auto gaveUp = cli().waitForState(giveUp);
    ASSERT_TRUE(gaveUp) << cli().transcript();
    EXPECT_EQ(gaveUp->phase, "idle");
    EXPECT_FALSE(gaveUp->station);
    EXPECT_EQ(gaveUp->mood, "energy");
    const auto firstRound = stationsTried(cli().states());
    EXPECT_EQ(firstRound.size(), 4u) << cli().transcript();

    // The listener's next try draws only the two stations not yet failed.
    const std::size_t mark = cli().stateCount();
    cli().send("toggle");
    const auto gaveUpAgain = cli().waitForState(giveUp);
    ASSERT_TRUE(gaveUpAgain) << cli().transcript();
    EXPECT_EQ(gaveUpAgain->phase, "idle");
    const auto secondRound = stationsTried(cli().statesSince(mark));
    EXPECT_EQ(secondRound.size(), 2u) << cli().transcript();
    for (const auto& id : secondRound) {
        EXPECT_FALSE(firstRound.contains(id)) << id;
    }

    cli().send("toggle");
    const auto none =
        cli().waitForState([](const CliState& s) { return s.status == kNoStationText; });
    ASSERT_TRUE(none) << cli().transcript();
    EXPECT_EQ(none->phase, "idle");
    EXPECT_FALSE(none->station);
    EXPECT_TRUE(waitUntil(
        [&] {
            std::size_t failed = 0;
            for (const auto& station : stations) {
                failed += countStats("station_failed", station.id);
            }
            return failed == stations.size();
        },
        kTimeout))
        << cli().transcript();
}

using SongTitleTest = StreamLab;

TEST_F(SongTitleTest, TakesTitlesUpTo200CharactersAsLiteralText) {
    const std::string first = "Artist A - Song One";
    // Each "é" is two code points, three bytes and one character on screen.
    const std::string tooLong = repeated("e\xCC\x81", 201);
    const std::string longest = repeated("e\xCC\x81", 200);
    const std::string markup = "<b>Bold</b> & <a href=\"x\">link</a>\x01\x1b[31m\ttab\\ end";
    std::string path = "/stream?every=2";
    for (const auto& title : {first, tooLong, longest, markup}) {
        path += "&title=" + percentEncoded(title);
    }
    start({{"titled", streams().url(path), {"calm"}}});
    ASSERT_TRUE(sendAndWait("mood calm", "playing")) << cli().transcript();

    ASSERT_TRUE(cli().waitForState([&](const CliState& s) { return s.song == first; }))
        << cli().transcript();
    // The overlong title is ignored: the stream's current title carries no text to show.
    const auto ignored = cli().waitForState([&](const CliState& s) { return s.song != first; });
    ASSERT_TRUE(ignored) << cli().transcript();
    EXPECT_FALSE(ignored->song) << *ignored->song;
    const auto taken = cli().waitForState([](const CliState& s) { return s.song.has_value(); });
    ASSERT_TRUE(taken) << cli().transcript();
    EXPECT_EQ(taken->song, longest);
    const auto literal = cli().waitForState([&](const CliState& s) { return s.song != longest; });
    ASSERT_TRUE(literal) << cli().transcript();
    EXPECT_EQ(literal->song, markup);

    for (const auto& state : cli().states()) {
        EXPECT_NE(state.song, tooLong);
    }
    // Every control character is escaped: each line stays one valid JSON object.
    const std::string transcript = cli().transcript();
    EXPECT_TRUE(std::none_of(transcript.begin(), transcript.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\n';
    }));
}

using SinkAudioTest = StreamLab;

TEST_F(SinkAudioTest, FadesInAsARampAndIsSilentWhilePaused) {
    SinkRecorder sink(pulse());
    start({{"tone", streams().url("/stream"), {"calm"}}});
    const auto requested = Clock::now();
    ASSERT_TRUE(sendAndWait("mood calm", "playing")) << cli().transcript();
    const auto onset = sink.waitForSound(kSound, requested, kTimeout);
    ASSERT_TRUE(onset) << "no audio reached the sink";

    ASSERT_TRUE(waitUntil([&] { return !sink.levels(10ms, *onset + 1200ms).empty(); }, kTimeout));
    const double full = sink.levelBetween(*onset + 700ms, *onset + 1200ms);
    EXPECT_GT(full, 0.1);
    EXPECT_LT(sink.levelBetween(*onset, *onset + 50ms), 0.5 * full);
    std::optional<Clock::time_point> reached;
    for (const auto& level : sink.levels(20ms, *onset)) {
        if (level.rms >= 0.9 * full) {
            reached = level.end;
            break;
        }
    }
    ASSERT_TRUE(reached);
    // A 0.3-second ramp: neither a jump nor a crawl.
    EXPECT_GE(secondsBetween(*onset, *reached), 0.12);
    EXPECT_LE(secondsBetween(*onset, *reached), 0.8);

    const auto pausedAt = Clock::now();
    ASSERT_TRUE(sendAndWait("toggle", "paused")) << cli().transcript();
    const auto quiet = sink.waitForQuiet(kSound, 1500ms, pausedAt, kTimeout);
    ASSERT_TRUE(quiet) << "the paused player is still heard";
    EXPECT_LE(secondsBetween(pausedAt, *quiet), 1.0);

    const auto resumedAt = Clock::now();
    ASSERT_TRUE(sendAndWait("toggle", "playing")) << cli().transcript();
    EXPECT_TRUE(sink.waitForSound(kSound, resumedAt, kTimeout)) << "not heard after resuming";
}

struct Exit {
    const char* name;
    std::function<void(CliProcess&)> ask;
};

void PrintTo(const Exit& exit, std::ostream* out) {
    *out << exit.name;
}

class ExitTest : public StreamLab, public ::testing::WithParamInterface<Exit> {};

TEST_P(ExitTest, EndsWithCodeZeroWhilePlaying) {
    start({{"tone", streams().url("/stream"), {"calm"}}});
    ASSERT_TRUE(sendAndWait("mood calm", "playing")) << cli().transcript();
    GetParam().ask(cli());
    EXPECT_EQ(cli().waitForExit(5s), 0) << cli().transcript();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ExitTest,
    ::testing::Values(Exit{"QuitCommand", [](CliProcess& cli) { cli.send("quit"); }},
                      Exit{"EndOfInput", [](CliProcess& cli) { cli.closeInput(); }},
                      Exit{"Sigint", [](CliProcess& cli) { cli.signal(SIGINT); }},
                      Exit{"Sigterm", [](CliProcess& cli) { cli.signal(SIGTERM); }}),
    [](const ::testing::TestParamInfo<Exit>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quilvo::testing
