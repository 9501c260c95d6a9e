#include "adapters/gstreamer/playlist.hpp"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace quilvo {

namespace {

enum class Kind { none, pls, m3u, xspf, asx };

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool containsNoCase(std::string_view text, std::string_view needle) {
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(), [](char a, char b) {
               return g_ascii_tolower(a) == g_ascii_tolower(b);
           }) != text.end();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n\f\v") - first + 1);
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        lines.push_back(trimmed(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

Kind kindByType(std::string_view type) {
    type = trimmed(type.substr(0, type.find(';')));
    auto is = [&](std::initializer_list<std::string_view> names) {
        return std::any_of(names.begin(), names.end(), [&](std::string_view name) {
            return type.size() == name.size() && startsWithNoCase(type, name);
        });
    };
    if (is({"audio/x-scpls", "audio/scpls", "application/pls+xml"})) {
        return Kind::pls;
    }
    if (is({"audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl",
            "application/vnd.apple.mpegurl", "audio/m3u", "audio/x-m3u"})) {
        return Kind::m3u;
    }
    if (is({"application/xspf+xml"})) {
        return Kind::xspf;
    }
    if (is({"video/x-ms-asf", "video/x-ms-asx", "audio/x-ms-asx", "application/x-ms-asx",
            "video/x-ms-wax", "audio/x-ms-wax", "video/x-ms-wvx"})) {
        return Kind::asx;
    }
    return Kind::none;
}

bool isWebUrl(std::string_view text) {
    return startsWithNoCase(text, "http://") || startsWithNoCase(text, "https://");
}

Kind kindOf(std::string_view type, std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return Kind::none;
    }
    // Live HLS is a playlist too, but one that playbin plays.
    if (text.find("#EXT-X-") != std::string_view::npos) {
        return Kind::none;
    }
    if (startsWithNoCase(text, "[playlist]")) {
        return Kind::pls;
    }
    if (text.starts_with("#EXTM3U")) {
        return Kind::m3u;
    }
    if (text.starts_with("<")) {
        if (containsNoCase(text, "<asx")) {
            return Kind::asx;
        }
        return text.find("<playlist") != std::string_view::npos ? Kind::xspf : Kind::none;
    }
    if (const Kind byType = kindByType(type); byType != Kind::none) {
        return byType;
    }
    // A bare list of stream URLs, as many stations serve their .m3u.
    const auto lines = linesOf(text);
    return !lines.empty() && isWebUrl(lines.front()) ? Kind::m3u : Kind::none;
}

std::vector<std::string> plsEntries(std::string_view text) {
    // FileN=URL in any case, ordered by N; NumberOfEntries is often wrong and is not read.
    std::multimap<long, std::string> files;
    for (std::string_view line : linesOf(text)) {
        const auto equals = line.find('=');
        if (!startsWithNoCase(line, "file") || equals == std::string_view::npos) {
            continue;
        }
        const std::string number(line.substr(4, equals - 4));
        char* end = nullptr;
        const long index = std::strtol(number.c_str(), &end, 10);
        if (!number.empty() && *end == '\0') {
            files.emplace(index, std::string(trimmed(line.substr(equals + 1))));
        }
    }
    std::vector<std::string> entries;
    for (auto& [index, url] : files) {
        entries.push_back(std::move(url));
    }
    return entries;
}

std::vector<std::string> m3uEntries(std::string_view text) {
    std::vector<std::string> entries;
    for (std::string_view line : linesOf(text)) {
        if (!line.empty() && !line.starts_with('#')) {
            entries.emplace_back(line);
        }
    }
    return entries;
}

// XSPF's track locations and ASX's entry references, element names compared without case
// (ASX is written in any case) and without namespace prefix.
struct XmlReader {
    Kind kind;
    std::vector<std::string> entries;
    int trackDepth = 0;
    bool inLocation = false;
    std::string text;
};

bool named(const gchar* element, std::string_view name) {
    std::string_view local(element);
    if (const auto colon = local.rfind(':'); colon != std::string_view::npos) {
        local.remove_prefix(colon + 1);
    }
    return local.size() == name.size() && startsWithNoCase(local, name);
}

void xmlStart(GMarkupParseContext*, const gchar* element, const gchar** names, const gchar** values,
              gpointer data, GError**) {
    auto* reader = static_cast<XmlReader*>(data);
    if (reader->kind == Kind::xspf) {
        reader->trackDepth += named(element, "track");
        if (reader->trackDepth > 0 && named(element, "location")) {
            reader->inLocation = true;
            reader->text.clear();
        }
        return;
    }
    if (named(element, "ref") || named(element, "entryref")) {
        for (; *names != nullptr; ++names, ++values) {
            if (named(*names, "href")) {
                reader->entries.emplace_back(trimmed(*values));
            }
        }
    }
}

void xmlEnd(GMarkupParseContext*, const gchar* element, gpointer data, GError**) {
    auto* reader = static_cast<XmlReader*>(data);
    if (reader->kind != Kind::xspf) {
        return;
    }
    if (reader->inLocation && named(element, "location")) {
        reader->entries.emplace_back(trimmed(reader->text));
        reader->inLocation = false;
    }
    if (named(element, "track") && reader->trackDepth > 0) {
        --reader->trackDepth;
    }
}

void xmlText(GMarkupParseContext*, const gchar* text, gsize length, gpointer data, GError**) {
    auto* reader = static_cast<XmlReader*>(data);
    if (reader->inLocation) {
        reader->text.append(text, length);
    }
}

std::vector<std::string> xmlEntries(Kind kind, std::string_view text) {
    // GMarkup knows only XML's five predefined entities: a DTD is passed over unread, and any
    // other entity (external, or one a DTD would define) is an error, so nothing is expanded
    // or fetched.
    static const GMarkupParser parser{xmlStart, xmlEnd, xmlText, nullptr, nullptr};
    XmlReader reader{kind, {}, 0, false, {}};
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_IGNORE_QUALIFIED, &reader, nullptr);
    const bool read = g_markup_parse_context_parse(context, text.data(),
                                                   static_cast<gssize>(text.size()), nullptr) &&
                      g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    return read ? std::move(reader.entries) : std::vector<std::string>();
}

std::string resolved(const std::string& base, const std::string& entry) {
    // Noise read as lines is no address.
    if (!g_utf8_validate(entry.data(), static_cast<gssize>(entry.size()), nullptr) ||
        std::any_of(entry.begin(), entry.end(), [](char c) { return g_ascii_iscntrl(c); })) {
        return {};
    }
    gchar* url = g_uri_resolve_relative(base.c_str(), entry.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (url == nullptr) {
        return {};
    }
    std::string result(url);
    g_free(url);
    GUri* parsed = g_uri_parse(result.c_str(), G_URI_FLAGS_NONE, nullptr);
    const bool web = parsed != nullptr && isWebUrl(result) && g_uri_get_host(parsed) != nullptr &&
                     *g_uri_get_host(parsed) != '\0';
    if (parsed != nullptr) {
        g_uri_unref(parsed);
    }
    return web ? result : std::string();
}

}  // namespace

std::vector<std::string> playlistEntries(std::string_view contentType, std::string_view body,
                                         const std::string& base) {
    if (body.size() > kPlaylistMaxBytes) {
        return {};
    }
    std::string_view text = body;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    text = trimmed(text);
    std::vector<std::string> found;
    switch (const Kind kind = kindOf(contentType, text)) {
        case Kind::pls:
            found = plsEntries(text);
            break;
        case Kind::m3u:
            found = m3uEntries(text);
            break;
        case Kind::xspf:
        case Kind::asx:
            found = xmlEntries(kind, text);
            break;
        case Kind::none:
            break;
    }
    std::vector<std::string> entries;
    for (const std::string& entry : found) {
        std::string url = resolved(base, entry);
        if (!url.empty() && std::find(entries.begin(), entries.end(), url) == entries.end()) {
            entries.push_back(std::move(url));
        }
        if (entries.size() == kPlaylistMaxEntries) {
            break;
        }
    }
    return entries;
}

}  // namespace quilvo
