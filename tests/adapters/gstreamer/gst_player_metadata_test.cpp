#include <chrono>
#include <string>

#include "player_probe.hpp"
#include "stream_lab.hpp"
#include "support/icecast_server.hpp"

namespace quilvo::testing {
namespace {

using namespace std::chrono_literals;

class GstPlayerMetadata : public StreamLab {};

std::optional<std::string> titleOf(AudioPlayer& player) {
    for (const auto& item : player.timedMetadata().value_or(std::vector<MetadataItem>{})) {
        if (item.commonKey == kCommonKeyTitle) {
            return item.stringValue;
        }
    }
    return std::nullopt;
}

bool hasTitle(PlayerProbe& probe, const std::string& title, std::chrono::milliseconds timeout) {
    return probe.waitFor([&](AudioPlayer& p) { return titleOf(p) == title; }, timeout);
}

TEST_F(GstPlayerMetadata, IcyTitlesArriveInOrderAsTitleItems) {
    PlayerProbe probe(factory.create(
        faults().url("/stream?title=Artist%20-%20First&title=Second&every=2&metaint=4000")));
    EXPECT_EQ(probe.metadataCalls(), 1) << "once at registration";
    probe.player().play();
    ASSERT_TRUE(hasTitle(probe, "Artist - First", 10s));
    // The combined text stays one title; the stream's name is not a title or an artist.
    ASSERT_EQ(probe.player().timedMetadata()->size(), 1u);
    ASSERT_TRUE(hasTitle(probe, "Second", 10s));
    EXPECT_GE(probe.metadataCalls(), 3);
}

TEST_F(GstPlayerMetadata, StreamWithoutTitlesHasNoMetadata) {
    PlayerProbe probe(factory.create(faults().url("/stream")));
    probe.player().play();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    EXPECT_FALSE(probe.waitFor([](AudioPlayer& p) { return p.timedMetadata().has_value(); }, 2s));
    EXPECT_EQ(probe.metadataCalls(), 1);
}

TEST_F(GstPlayerMetadata, LongAndHostileTitlesArriveUnchanged) {
    const std::string longTitle(240, 'x');
    PlayerProbe probe(
        factory.create(faults().url("/stream?metaint=4000&every=2&title=" + longTitle +
                                    "&title=%3Ca%20href%3D%27x%27%3E%1B%5B2J%01")));
    probe.player().play();
    ASSERT_TRUE(hasTitle(probe, longTitle, 10s));
    // Markup and control characters are data: the player hands them over as they came.
    EXPECT_TRUE(hasTitle(probe, "<a href='x'>\x1b[2J\x01", 10s));
}

TEST_F(GstPlayerMetadata, IcecastAdminTitleReachesThePlayer) {
    IcecastServer icecast(tone());
    PlayerProbe probe(factory.create(icecast.url()));
    probe.player().play();
    ASSERT_TRUE(probe.waitForControl(TimeControlStatus::playing, 10s));
    ASSERT_TRUE(icecast.setTitle("Quiet Band - Night Song"));
    EXPECT_TRUE(hasTitle(probe, "Quiet Band - Night Song", 15s));
}

}  // namespace
}  // namespace quilvo::testing
