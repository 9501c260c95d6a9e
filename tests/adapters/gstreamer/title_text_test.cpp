#include "adapters/gstreamer/title_text.hpp"

#include <gtest/gtest.h>

namespace quilvo {
namespace {

struct Case {
    const char* encoding;
    const char* locale;
    std::string bytes;
    std::string text;
};

TEST(TitleText, ReadsTitlesInTheEncodingsStationsUse) {
    const Case cases[] = {
        {"UTF-8", "C", "周杰伦 - 稻香", "周杰伦 - 稻香"},
        {"GBK", "zh_CN.UTF-8", "\xD6\xDC\xBD\xDC\xC2\xD7 - \xB5\xBE\xCF\xE3", "周杰伦 - 稻香"},
        {"Big5", "zh_TW.UTF-8", "\xA9\x50\xAA\x4E\xAD\xDB - \xBD\x5F\xAD\xBB", "周杰倫 - 稻香"},
        {"Big5, named by the detector", "zh_CN.UTF-8",
         "\xBE\x48\xC4\x52\xA7\x67 - \xA4\xEB\xAB\x47\xA5\x4E\xAA\xED\xA7\xDA\xAA\xBA\xA4\xDF",
         "鄧麗君 - 月亮代表我的心"},
        {"Windows-1251", "C", "\xCA\xE8\xED\xEE - \xC3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8",
         "Кино - Группа крови"},
        {"Latin-1 under a Chinese locale", "zh_CN.UTF-8", "Caf\xE9 Tacvba - D\xE9j\xE0 vu",
         "Café Tacvba - Déjà vu"},
        {"Windows-1252", "en_GB.UTF-8", "Sigur R\xF3s \x96 Hopp\xEDpolla",
         "Sigur Rós – Hoppípolla"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readableText(c.bytes, c.locale), c.text) << c.encoding;
    }
}

}  // namespace
}  // namespace quilvo
