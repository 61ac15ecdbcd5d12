#include "acquire/appender.h"

namespace brivo::acquire {

Status AppendNumbers(Recordset& table, const AppendContext& context, std::int32_t issue,
                     const store::DrawNumbers& numbers, std::optional<store::DrawLists> before,
                     std::optional<store::DrawLists> earlier, store::DrawValues* values) {
  context.zodiac->SetZodiacYear(store::ZodiacTables::ZodiacYearOf(issue));
  store::DrawToAppend draw;
  draw.issue = issue;
  draw.own = store::ValuesOf(numbers, *context.zodiac, context.ds_ini);
  draw.before = std::move(before);
  draw.earlier = std::move(earlier);
  Status s = store::AppendDraw(table, draw, context.memory);
  if (s.ok() && values != nullptr) *values = draw.own;
  return s;
}

}  // namespace brivo::acquire
