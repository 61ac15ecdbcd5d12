#include "platform/base/log.h"

#include <cstdio>

namespace brivo {

void LogWarning(std::string_view message) {
  std::fprintf(stderr, "brivo: %.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace brivo
