#include "store/draw_record.h"

namespace brivo::store {
namespace {

// Tou, Wei and Ds values are written as they are; the others with two digits.
bool WrittenWithTwoDigits(Kind kind) {
  return kind == Kind::kHm || kind == Kind::kSx || kind == Kind::kHe;
}

// Column names of the value families, built once: the append writes 126 of them per draw.
struct ValueColumnNames {
  std::array<ByPosition<ByKind<std::string>>, 3> names;
  ValueColumnNames() {
    const std::array<std::string_view, 3> suffixes = {kOwn, kPreceding, kEarlier};
    for (std::size_t f = 0; f < suffixes.size(); ++f) {
      for (int p = 1; p <= kPositionCount; ++p) {
        for (Kind k : kKinds) names[f][p][k] = ColumnName(p, k, suffixes[f]);
      }
    }
  }
  const std::string& Of(std::size_t family, int position, Kind kind) const {
    return names[family][position][kind];
  }
};

const ValueColumnNames& Names() {
  static const ValueColumnNames names;
  return names;
}

Status WriteLists(Recordset& table, std::string_view family, const DrawLists& lists) {
  if (Status s = table.SetField(family, lists.plain); !s.ok()) return s;
  for (Kind k : kKinds) {
    if (Status s = table.SetField(ListColumn(family, k), lists.tagged[k]); !s.ok()) return s;
  }
  return Status::Ok();
}

}  // namespace

std::string ColumnName(int position, Kind kind, std::string_view suffix) {
  std::string name = "L" + std::to_string(position);
  name += kKindLetters[kind];
  name += suffix;
  return name;
}

std::string ListColumn(std::string_view family, Kind kind) {
  return std::string(family) + kKindNames[kind];
}

std::string TwoDigits(int value) {
  std::string digits = std::to_string(value < 0 ? -static_cast<long long>(value) : value);
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return value < 0 ? "-" + digits : digits;
}

std::string PlainList(const DrawValues& values) {
  std::string list;
  for (int p = 1; p <= kPositionCount; ++p) list += TwoDigits(values[p][Kind::kHm]) + " ";
  return list;
}

std::string TaggedList(const DrawValues& values, Kind kind) {
  std::string list;
  for (int p = 1; p <= kPositionCount; ++p) {
    // Counting the earlier positions directly needs no counter array sized by value range,
    // so no value, however odd, can index outside one.
    int count = 0;
    for (int q = 1; q <= p; ++q) count += values[q][kind] == values[p][kind] ? 1 : 0;
    const int v = values[p][kind];
    list += std::to_string(count) + "X" +
            (WrittenWithTwoDigits(kind) ? TwoDigits(v) : std::to_string(v));
    list += ' ';
  }
  return list;
}

DrawLists ListsOf(const DrawValues& values) {
  DrawLists lists;
  lists.plain = PlainList(values);
  for (Kind k : kKinds) lists.tagged[k] = TaggedList(values, k);
  return lists;
}

DrawValues ValuesOf(const DrawNumbers& numbers, const ZodiacTables& tables, int ds_ini) {
  DrawValues values{};
  for (int p = 1; p <= kPositionCount; ++p) {
    values[p] = AttributesOf(numbers[static_cast<std::size_t>(p - 1)], p, tables, ds_ini);
  }
  return values;
}

Status AppendDraw(Recordset& table, const DrawToAppend& draw, PrecedingMemory* memory) {
  const ValueColumnNames& names = Names();
  (void)table.MoveLast();  // fails harmlessly on an empty table: the new row comes first then
  if (Status s = table.AddNew(); !s.ok()) return s;
  auto write_all = [&]() -> Status {
    for (int p = 1; p <= kPositionCount; ++p) {
      for (Kind k : kKinds) {
        const std::array<std::int16_t, 3> family_values = {draw.own[p][k], memory->last[p][k],
                                                           memory->second_last[p][k]};
        for (std::size_t f = 0; f < family_values.size(); ++f) {
          Status s = table.SetField(names.Of(f, p, k), std::int64_t{family_values[f]});
          if (!s.ok()) return s;
        }
      }
    }
    if (Status s = table.SetField("SQQH", std::int64_t{draw.issue}); !s.ok()) return s;
    if (draw.before) {
      if (Status s = WriteLists(table, kPlainList, *draw.before); !s.ok()) return s;
    }
    if (draw.earlier) {
      if (Status s = WriteLists(table, kPlainPreList, *draw.earlier); !s.ok()) return s;
    }
    if (Status s = table.SetField("QQH", std::int64_t{draw.issue} + 1); !s.ok()) return s;
    return table.Update();
  };
  Status s = write_all();
  if (!s.ok()) {
    table.CancelUpdate();
    return s;
  }
  memory->second_last = memory->last;
  memory->last = draw.own;
  return Status::Ok();
}

Status ReadOwnValues(Recordset& row, DrawValues* out) {
  const ValueColumnNames& names = Names();
  DrawValues values{};
  for (int p = 1; p <= kPositionCount; ++p) {
    for (Kind k : kKinds) {
      std::int64_t v = 0;
      if (Status s = row.GetInt(names.Of(0, p, k), &v); !s.ok()) return s;
      if (v < INT16_MIN || v > INT16_MAX) {
        return Status::InvalidArgument("stored value out of range in " + names.Of(0, p, k));
      }
      values[p][k] = static_cast<std::int16_t>(v);
    }
  }
  *out = values;
  return Status::Ok();
}

}  // namespace brivo::store
