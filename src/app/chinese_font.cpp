#include "app/chinese_font.h"

namespace brivo {

QString ChineseFontFamily(const std::function<bool(const QString&)>& installed) {
  static const char* const kFamilies[] = {
#ifdef _WIN32
      "Microsoft YaHei",
      "SimSun",
      "WenQuanYi Micro Hei",
      "Noto Sans CJK SC",
#else
      "WenQuanYi Micro Hei",
      "Noto Sans CJK SC",
      "Microsoft YaHei",
      "SimSun",
#endif
  };
  for (const char* family : kFamilies) {
    const QString name = QString::fromLatin1(family);
    if (installed(name)) return name;
  }
  return {};
}

}  // namespace brivo
