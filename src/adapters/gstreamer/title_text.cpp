#include "adapters/gstreamer/title_text.hpp"

#include <glib.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace quilvo {

namespace {

std::optional<std::string> decoded(std::string_view bytes, const char* charset) {
    gsize read = 0;
    gchar* text = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", charset,
                            &read, nullptr, nullptr);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (read == bytes.size()) {
        result = text;
    }
    g_free(text);
    return result;
}

std::string detected(std::string_view bytes) {
    uchardet_t detector = uchardet_new();
    std::string charset;
    if (uchardet_handle_data(detector, bytes.data(), bytes.size()) == 0) {
        uchardet_data_end(detector);
        charset = uchardet_get_charset(detector);
    }
    uchardet_delete(detector);
    return charset;
}

bool isMultiByte(std::string_view charset) {
    constexpr std::string_view kMultiByte[] = {"GB18030", "BIG5",   "EUC-TW", "SHIFT_JIS",
                                               "EUC-JP",  "EUC-KR", "UHC"};
    return std::find(std::begin(kMultiByte), std::end(kMultiByte), charset) != std::end(kMultiByte);
}

// Titles are too short for a detector to tell the CJK encodings apart; the listener's
// language does.
const char* localeCharset(std::string_view locale) {
    if (locale.starts_with("zh_TW") || locale.starts_with("zh_HK") || locale.starts_with("zh_MO")) {
        return "BIG5";
    }
    if (locale.starts_with("zh")) {
        return "GB18030";
    }
    if (locale.starts_with("ja")) {
        return "SHIFT_JIS";
    }
    if (locale.starts_with("ko")) {
        return "CP949";
    }
    return nullptr;
}

}  // namespace

std::string readableText(std::string_view bytes, std::string_view locale) {
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return std::string(bytes);
    }
    const std::string guess = detected(bytes);
    if (isMultiByte(guess)) {
        if (auto text = decoded(bytes, guess.c_str())) {
            return *text;
        }
    }
    if (const char* charset = localeCharset(locale)) {
        if (auto text = decoded(bytes, charset)) {
            return *text;
        }
    }
    if (!guess.empty() && guess != "ASCII" && guess != "UTF-8") {
        if (auto text = decoded(bytes, guess.c_str())) {
            return *text;
        }
    }
    // Windows-1252 leaves five bytes undefined; ISO-8859-1 reads every byte.
    return decoded(bytes, "WINDOWS-1252").value_or(*decoded(bytes, "ISO-8859-1"));
}

std::string processLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "C";
}

}  // namespace quilvo
