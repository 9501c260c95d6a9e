#include "stats/event_record.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "stats/os_version.hpp"
#include "stats/uuid.hpp"

namespace quilvo {
namespace {

TEST(EventRecordTest, EscapesQuotesBackslashesAndEveryControlCharacter) {
    EXPECT_EQ(escape("say \"hi\" \\ now"), "say \\\"hi\\\" \\\\ now");
    EXPECT_EQ(escape("a\r\nb\tc"), "a\\r\\nb\\tc");
    EXPECT_EQ(escape(std::string("\x01\x1b\x1f\0", 4)), "\\u0001\\u001b\\u001f\\u0000");
    EXPECT_EQ(escape("夜の電台 café \x7f"), "夜の電台 café \x7f");
}

TEST(EventRecordTest, EncodedRecordIsCompactJsonThatRoundTripsAnyText) {
    std::string every;
    for (int c = 0; c < 0x80; ++c) {
        every += static_cast<char>(c);
    }
    every += "静かな夜";
    const EventRecord record{{"type", "x"}, {"k\"ey", every}};

    const std::string text = encode(record);

    EXPECT_EQ(encode({{"a", "1"}, {"b", "2"}}), R"({"a":"1","b":"2"})");
    const auto parsed = nlohmann::json::parse(text);
    EXPECT_EQ(parsed.at("k\"ey"), every);
    EXPECT_TRUE(std::none_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
}

TEST(EventRecordTest, RecordHoldsTheSevenMembersAndOnlyTheGivenOnes) {
    const Instant at{std::chrono::milliseconds(1'700'000'000'123)};
    const EventIdentity identity{"ID", "Linux", "0.1.0", "Linux 6.1.0", "KEY"};
    const EventRecord bare = makeEventRecord({"app_open", {}, {}, {}, {}, {}, at}, identity);
    const EventRecord full =
        makeEventRecord({"station_start", "calm", "fip", false, 850, 1.5, at}, identity);

    const EventRecord seven{{"event_id", "ID"},       {"ts", "1700000000123"},
                            {"type", "app_open"},     {"platform", "Linux"},
                            {"app_version", "0.1.0"}, {"os_version", "Linux 6.1.0"},
                            {"device_key", "KEY"}};
    EXPECT_EQ(bare, seven);
    EXPECT_EQ(EventRecord(full.begin() + 7, full.end()), (EventRecord{{"mood", "calm"},
                                                                      {"station_id", "fip"},
                                                                      {"ok", "0"},
                                                                      {"ms", "850"},
                                                                      {"minutes", "1.50"}}));
}

TEST(EventRecordTest, TimestampIsWholeMillisecondsTowardZero) {
    EXPECT_EQ(millisecondsSinceEpoch(Instant{std::chrono::microseconds(1'700'000'000'123'999)}),
              1'700'000'000'123);
    EXPECT_EQ(millisecondsSinceEpoch(Instant{std::chrono::microseconds(-1'999)}), -1);
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(EventRecordTest, MinutesUseAPointWhateverTheLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    EXPECT_EQ(formatMinutes(1.5), "1.50");
    EXPECT_EQ(formatMinutes(0.499), "0.50");
    EXPECT_EQ(formatMinutes(90.0), "90.00");
    std::locale::global(previous);
}

TEST(EventRecordTest, UuidsAreUppercaseVersionFourAndDistinct) {
    const std::regex shape("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string id = randomUuid();
        EXPECT_TRUE(std::regex_match(id, shape)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(EventRecordTest, OsVersionIsTheKernelsMajorMinorPatch) {
    EXPECT_EQ(linuxOsVersion("6.1.0-18-amd64"), "Linux 6.1.0");
    EXPECT_EQ(linuxOsVersion("5.15.90.1-microsoft-standard-WSL2"), "Linux 5.15.90");
    EXPECT_EQ(linuxOsVersion("6.8"), "Linux 6.8.0");
    EXPECT_EQ(linuxOsVersion("junk"), "Linux 0.0.0");
    EXPECT_TRUE(std::regex_match(runningOsVersion(), std::regex(R"(Linux \d+\.\d+\.\d+)")));
}

}  // namespace
}  // namespace quilvo
