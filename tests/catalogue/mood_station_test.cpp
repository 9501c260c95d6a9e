#include <gtest/gtest.h>

#include "catalogue/mood.hpp"
#include "catalogue/station.hpp"

namespace quilvo {
namespace {

TEST(Mood, RawValuesMatchExactlyAndInOrder) {
    const auto all = Mood::allCases();
    ASSERT_EQ(all.size(), 4U);
    EXPECT_EQ(all[0], Mood::bright);
    EXPECT_EQ(all[3], Mood::sleep);
    EXPECT_EQ(Mood::fromRawValue("calm"), Mood::calm);
    for (const char* text : {"Calm", "CALM", " calm", "calm ", "", "静"}) {
        EXPECT_FALSE(Mood::fromRawValue(text).has_value()) << text;
    }
    EXPECT_EQ(Mood(Mood::energy).displayName(), "燃");
    EXPECT_EQ(Mood(Mood::sleep).feel(), "舒缓入睡");
    EXPECT_DOUBLE_EQ(Mood(Mood::calm).tint().green, 0.66);
}

TEST(Station, EqualityComparesEveryFieldAndMoodsAsASet) {
    const Station a{"id",       "Name", "https://x/", std::nullopt, {Mood::calm, Mood::sleep},
                    Mood::calm, "S",    true};
    Station sameMoodsOtherOrder = a;
    sameMoodsOtherOrder.moods = {Mood::sleep, Mood::calm};
    EXPECT_EQ(a, sameMoodsOtherOrder);

    Station otherName = a;
    otherName.name = "Other";
    EXPECT_NE(a, otherName);

    Station emptyHomepage = a;
    emptyHomepage.homepage = "";
    EXPECT_NE(a, emptyHomepage);
}

}  // namespace
}  // namespace quilvo
