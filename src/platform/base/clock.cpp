#include "platform/base/clock.h"

#include <ctime>

namespace brivo {

int SystemClock::CurrentYear() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  // The reentrant forms, since std::localtime shares one buffer between threads.
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local.tm_year + 1900;
}

}  // namespace brivo
