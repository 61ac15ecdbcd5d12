#pragma once

#include <string>
#include <string_view>

namespace brivo {

#ifdef _WIN32
// GB18030 text (which GBK and GB2312 text also is) as UTF-8, through Windows' own code pages:
// Qt there has no ICU and knows no Chinese charset. Code page 54936 (GB18030) where Windows has
// it, else 936 (GBK; Wine has only that one). Bytes that form no character become U+FFFD.
std::string DecodeGb18030(std::string_view bytes);
#endif

}  // namespace brivo
