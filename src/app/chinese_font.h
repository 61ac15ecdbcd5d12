#pragma once

#include <QString>
#include <functional>

namespace brivo {

// The font family the window's captions are set in: the first of those that show Chinese which
// `installed` says the machine has, or empty when it has none of them. On Windows the ones every
// Windows that reads Chinese has (Microsoft YaHei, and SimSun before it); elsewhere first the
// free ones Debian ships.
QString ChineseFontFamily(const std::function<bool(const QString&)>& installed);

}  // namespace brivo
