#pragma once

#include <string>
#include <string_view>

namespace quilvo {

// Stream text (an ICY title) as UTF-8. Valid UTF-8 stays as it is; other bytes are read in the
// encoding a detector names when it names a multi-byte one, else in the encoding of the
// listener's `locale` (an LC_CTYPE value such as "zh_CN.UTF-8") if they are valid in it, else
// in the detector's single-byte encoding, else as Windows-1252.
std::string readableText(std::string_view bytes, std::string_view locale);

// The listener's LC_CTYPE: LC_ALL, LC_CTYPE or LANG, whichever is set first, else "C".
std::string processLocale();

}  // namespace quilvo
