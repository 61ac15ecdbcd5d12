// The Jet translation on any bytes: a translation that succeeds translates to itself again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/db/jet_sql.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string translated;
  if (brivo::jet::TranslateToSqlite(input, &translated).ok()) {
    std::string twice;
    if (!brivo::jet::TranslateToSqlite(translated, &twice).ok() || twice != translated) {
      std::abort();
    }
  }
  return 0;
}
