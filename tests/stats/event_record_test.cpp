#include "stats/event_record.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>
#include <regex>
#include <set>

#include "stats/os_version.hpp"
#include "stats/uuid.hpp"

namespace quilvo {
namespace {

TEST(EventRecordTest, EscapesEveryControlCharacterAndRoundTripsAnyText) {
    EXPECT_EQ(escape("say \"hi\" \\ now\r\n\t"), "say \\\"hi\\\" \\\\ now\\r\\n\\t");
    EXPECT_EQ(escape(std::string("\x01\x1b\x1f\0 \x7f", 6)), "\\u0001\\u001b\\u001f\\u0000 \x7f");
    std::string every(0x80, '\0');
    std::iota(every.begin(), every.end(), '\0');
    every += "静かな夜 café";
    const std::string text = encode({{"type", "x"}, {"k\"ey", every}});
    EXPECT_EQ(nlohmann::json::parse(text).at("k\"ey"), every);
    EXPECT_TRUE(std::none_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(EventRecordTest, NumbersAreWrittenTheSameEverywhere) {
    const WallInstant at{std::chrono::milliseconds(1'700'000'000'123)};
    const EventRecord full = makeEventRecord({"station_start", "calm", "fip", false, 850, 1.5, at},
                                             {"ID", "Linux", "0.1.0", "Linux 6.1.0", "KEY"});
    EXPECT_EQ(encode(EventRecord(full.begin() + 7, full.end())),
              R"({"mood":"calm","station_id":"fip","ok":"0","ms":"850","minutes":"1.50"})");
    EXPECT_EQ(millisecondsSinceEpoch(WallInstant{std::chrono::microseconds(1'700'000'000'123'999)}),
              1'700'000'000'123);
    EXPECT_EQ(millisecondsSinceEpoch(WallInstant{std::chrono::microseconds(-1'999)}), -1);
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    EXPECT_EQ(formatMinutes(0.499), "0.50");
    EXPECT_EQ(formatMinutes(90.0), "90.00");
    std::locale::global(previous);
}

TEST(EventRecordTest, IdentityIsAFreshUuidAndTheKernelVersion) {
    const std::regex shape("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string id = randomUuid();
        EXPECT_TRUE(std::regex_match(id, shape)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
    for (const auto& [kernel, version] :
         std::map<std::string, std::string>{{"6.1.0-18-amd64", "Linux 6.1.0"},
                                            {"5.15.90.1-microsoft-standard-WSL2", "Linux 5.15.90"},
                                            {"6.8", "Linux 6.8.0"},
                                            {"junk", "Linux 0.0.0"}}) {
        EXPECT_EQ(linuxOsVersion(kernel), version);
    }
    EXPECT_TRUE(std::regex_match(runningOsVersion(), std::regex(R"(Linux \d+\.\d+\.\d+)")));
}

}  // namespace
}  // namespace quilvo
