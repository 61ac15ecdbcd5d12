#pragma once

#include <cstdint>
#include <optional>

#include "platform/db/database.h"
#include "store/attributes.h"
#include "store/draw_record.h"

// The one append sequence every path that adds draws goes through.
namespace brivo::acquire {

// What reading a draw's numbers depends on: the window's zodiac tables (their code table as last
// computed), the segment offset, and the preceding-draw memory carried from append to append.
struct AppendContext {
  store::ZodiacTables* zodiac = nullptr;
  store::PrecedingMemory* memory = nullptr;
  int ds_ini = 1;
};

// Makes the zodiac year of the issue the reference year, reads the seven numbers and appends the
// draw through the table recordset with the given lists. *values gets the draw's own values.
Status AppendNumbers(Recordset& table, const AppendContext& context, std::int32_t issue,
                     const store::DrawNumbers& numbers, std::optional<store::DrawLists> before,
                     std::optional<store::DrawLists> earlier, store::DrawValues* values);

}  // namespace brivo::acquire
