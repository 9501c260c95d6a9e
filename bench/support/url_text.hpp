#pragma once

#include <cctype>
#include <string>

namespace quilvo::testing {

// `text` as a URL query value: unreserved characters kept, everything else as %XX.
inline std::string percentEncoded(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string result;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            result.push_back(static_cast<char>(c));
        } else {
            result += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    return result;
}

}  // namespace quilvo::testing
