#include "adapters/gstreamer/playlist.hpp"

#include <gtest/gtest.h>

namespace quilvo {
namespace {

using Entries = std::vector<std::string>;
const std::string kBase = "https://radio.example/lists/station.pls";

struct Case {
    const char* what;
    std::string type;
    std::string body;
    Entries entries;
};

TEST(Playlist, ReadsEachFormByItsBytesOrTypeAndKeepsOnlyWebEntries) {
    const std::string big(kPlaylistMaxBytes, 'x');
    const Case cases[] = {
        {"PLS in any case, ordered by N, wrong count, relative entry, CRLF",
         "text/html",
         "\xEF\xBB\xBF[Playlist]\r\nnumberofentries=7\r\nfile2=/b\r\nFILE1=http://a.example/1\r\n"
         "Title1=x\r\nFile3=file:///etc/passwd\r\n",
         {"http://a.example/1", "https://radio.example/b"}},
        {"PLS known by its type only",
         "audio/x-scpls; charset=utf-8",
         "File1=http://a/1\n",
         {"http://a/1"}},
        {"extended M3U, duplicates once, smb skipped",
         "application/octet-stream",
         "#EXTM3U\n#EXTINF:-1,Radio\nhttp://a/1\n\nhttp://a/1\nsmb://host/share\nmirror.mp3\n",
         {"http://a/1", "https://radio.example/lists/mirror.mp3"}},
        {"bare list of URLs",
         "text/plain",
         "https://a/live\nhttp://b/live\n",
         {"https://a/live", "http://b/live"}},
        {"HLS is played, not resolved",
         "audio/x-mpegurl",
         "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nseg0.ts\n",
         {}},
        {"XSPF",
         "application/xspf+xml",
         "<?xml version=\"1.0\"?><playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
         "<title>x</title><trackList><track><location> http://a/1 </location></track>"
         "<track><location>/2?a=1&amp;b=2</location></track></trackList></playlist>",
         {"http://a/1", "https://radio.example/2?a=1&b=2"}},
        {"ASX in mixed case, mms skipped",
         "video/x-ms-asf",
         "<ASX version=\"3.0\"><Entry><REF HREF=\"mms://a/1\"/><ref href=\"http://a/1\"/></Entry>"
         "<EntryRef href=\"http://b/list.asx\"/></ASX>",
         {"http://a/1", "http://b/list.asx"}},
        {"external entity",
         "application/xspf+xml",
         "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<playlist><trackList><track><location>http://a/&x;</location></track></trackList>"
         "</playlist>",
         {}},
        {"billion laughs",
         "application/xspf+xml",
         "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
         "<playlist><trackList><track><location>http://a/&c;</location></track></trackList>"
         "</playlist>",
         {}},
        {"truncated XML",
         "application/xspf+xml",
         "<playlist><trackList><track><location>http://a/1</location>",
         {}},
        {"binary with a playlist type", "audio/x-mpegurl", std::string("\x89PNG\r\n\0\x1a", 8), {}},
        {"too long", "audio/x-scpls", "[playlist]\nFile1=http://a/1\n" + big, {}},
        {"a web page", "text/html", "<!DOCTYPE html><html><a href=\"http://a/1\">x</a></html>", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(playlistEntries(c.type, c.body, kBase), c.entries) << c.what;
    }
}

TEST(Playlist, TriesAtMostTenMirrors) {
    std::string body = "[playlist]\n";
    for (int i = 1; i <= 12; ++i) {
        body += "File" + std::to_string(i) + "=http://a/" + std::to_string(i) + "\n";
    }
    const Entries entries = playlistEntries("", body, kBase);
    ASSERT_EQ(entries.size(), kPlaylistMaxEntries);
    EXPECT_EQ(entries.back(), "http://a/10");
}

}  // namespace
}  // namespace quilvo
