#include "app/terminal_text.hpp"

#include <utf8proc.h>

namespace quilvo {

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t cp = 0;
        utf8proc_ssize_t used = utf8proc_iterate(bytes, left, &cp);
        if (used < 0) {
            cp = 0xFFFD;
            used = 1;
        }
        const bool control = cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
        if (!control) {
            utf8proc_uint8_t buf[4];
            const auto n = utf8proc_encode_char(cp, buf);
            out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
        }
        bytes += used;
        left -= used;
    }
    return out;
}

}  // namespace quilvo
