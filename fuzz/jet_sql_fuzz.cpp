// The Jet translation and the LIKE matcher on any bytes: a translation that succeeds translates
// to itself again, and LIKE never reads beyond its arguments.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/db/jet_sql.h"
#include "platform/db/update_rewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string translated;
  if (brivo::jet::TranslateToSqlite(input, &translated).ok()) {
    std::string twice;
    if (!brivo::jet::TranslateToSqlite(translated, &twice).ok() || twice != translated) {
      std::abort();
    }
    brivo::SkipUnchangedRows(translated);
  }
  const std::size_t half = size / 2;
  brivo::jet::LikeMatch(input.substr(0, half), input.substr(half));
  brivo::jet::Left(input, static_cast<std::int64_t>(size % 7) - 2);
  brivo::jet::Len(input);
  return 0;
}
